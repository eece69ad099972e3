#include "cli/Interruption.h"

#include <atomic>
#include <csignal>

namespace tessaron::cli {

namespace {

std::atomic<bool> g_requested{false};  // a signal handler can only reach a global

void OnSignal(int) { g_requested = true; }

}  // namespace

Interruption::Interruption()
{
    g_requested = false;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
}

Interruption::~Interruption()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool Interruption::Requested() const { return g_requested.load(); }

}  // namespace tessaron::cli
