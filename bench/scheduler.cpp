// The 2 ms tick: its cost with 10,000 pending actions (target: under 50 us), and how late the
// timer thread wakes over 10 s of ticks (median and p99; no target).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "media/CSamples.h"
#include "song/CChordwayDoc.h"
#include "song/CScheduler.h"
#include "song/CTickTimer.h"

namespace {

using namespace tessaron;

void BM_TickWithTenThousandPending(benchmark::State& state)
{
    CChordwayDoc doc;
    CMedia* medium = doc.InsertMedium(0, std::make_unique<CSamples>());
    {
        const CTransport::Guard held = doc.Transport().Hold();
        for (int i = 0; i < 10000; ++i) {
            auto action = std::make_unique<CAction>(CAction::kPlay, medium, 0, -1, 0, 0);
            action->SetStart(1000000000 + i);  // all waiting: the tick only looks at the head
            doc.Transport().Insert(held, std::move(action));
        }
    }
    doc.SetQuantizationOn(true);  // the grid path walks the due head too
    doc.Transport().EnableTick();
    CScheduler scheduler(doc);
    for (auto _ : state) {
        scheduler.Tick();
    }
    const CTransport::Guard held = doc.Transport().Hold();
    state.counters["pending"] = static_cast<double>(doc.Transport().Pending(held).size());
}
BENCHMARK(BM_TickWithTenThousandPending)->Unit(benchmark::kMicrosecond);

void BM_TimerLatenessOverTenSeconds(benchmark::State& state)
{
    for (auto _ : state) {
        std::atomic<int> ticks{0};
        CTickTimer timer(2, [&] { ++ticks; });
        timer.RecordLateness(6000);
        timer.Start();
        std::this_thread::sleep_for(std::chrono::seconds(10));
        timer.Stop();
        std::vector<int32_t> lateness = timer.Lateness();
        std::sort(lateness.begin(), lateness.end());
        if (lateness.empty()) {
            state.SkipWithError("no ticks");
            return;
        }
        state.counters["ticks"] = ticks.load();
        state.counters["median_us"] = lateness[lateness.size() / 2];
        state.counters["p99_us"] = lateness[lateness.size() * 99 / 100];
        state.counters["max_us"] = lateness.back();
        state.counters["realtime"] = timer.IsRealTime() ? 1 : 0;
    }
}
BENCHMARK(BM_TimerLatenessOverTenSeconds)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
