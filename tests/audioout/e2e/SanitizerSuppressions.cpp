// ThreadSanitizer cannot see how the JACK and PulseAudio client libraries, and RtAudio on top
// of them, hand audio between threads (shared memory, futexes, the servers' own sockets), so
// it reports their internals and the port buffers they pass. Our own hand-over between the
// control threads and the mixer is instrumented and checked (see the real-time safety test).
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libjack.so\n"
           "race:librtaudio.so\n"
           "race:libpulse.so\n"
           "race:libpulsecommon\n";
}

// libpulse keeps a few small blocks for the life of the process on purpose; they are not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libpulse.so\n"
           "leak:libpulsecommon\n";
}
