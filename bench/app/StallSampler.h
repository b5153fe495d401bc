// What the interface thread is doing while its event loop stalls: a watcher
// thread that, once the thread's heartbeat is late by more than a frame,
// reads the thread's state, kernel stack and system call from /proc and has
// the thread take its own stack (a signal whose handler calls backtrace()),
// and that, when the heartbeat comes back, tells how much of the gap the
// thread waited on a run queue. For finding what a stall waits on; it adds
// a thread and signals, so no figure is timed with it. Linux only.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <execinfo.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace pelmora::bench {

class StallSampler {
public:
    explicit StallSampler(double lateMs = 16)
        : lateNs_((long long)(lateMs * 1e6))
        , tid_(pid_t(syscall(SYS_gettid)))
        , path_("/proc/self/task/" + std::to_string(tid_) + '/')
    {
        void* warm[2];
        backtrace(warm, 2); // loads the unwinder now, not inside the handler
        struct sigaction action {};
        action.sa_handler = [](int) { Frames().depth = backtrace(Frames().at, kFrames); };
        action.sa_flags = SA_RESTART;
        sigaction(Signal(), &action, nullptr);
        Beat();
        watcher_ = std::thread([this] { Watch(); });
    }
    ~StallSampler()
    {
        stop_ = true;
        watcher_.join();
        signal(Signal(), SIG_DFL);
        std::sort(stalls_.begin(), stalls_.end(), [](const Stall& a, const Stall& b) { return a.ms > b.ms; });
        for (size_t i = 0; i < stalls_.size() && i < 5; ++i) {
            const Stall& s = stalls_[i];
            std::fprintf(stderr, "stall %.1f ms: on a run queue %.1f ms, running %.1f ms\n", s.ms, s.queuedMs,
                s.runningMs);
            for (const std::string& sample : s.samples)
                std::fprintf(stderr, "%s", sample.c_str());
        }
    }
    // From the interface thread at every turn of its event loop.
    void Beat() { lastBeat_ = Now(); }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr int kFrames = 48;
    static int Signal() { return SIGRTMIN + 6; } // a real-time signal nothing else here uses

    struct FrameBuffer {
        void* at[kFrames];
        volatile int depth = -1;
    };
    static FrameBuffer& Frames()
    {
        static FrameBuffer frames;
        return frames;
    }
    struct Stall {
        double ms = 0, queuedMs = 0, runningMs = 0;
        std::vector<std::string> samples;
    };

    static long long Now()
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
    }
    std::string Read(const char* name) const
    {
        std::ifstream in(path_ + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Nanoseconds on the processor and waiting on a run queue.
    void Scheduled(double& runningNs, double& queuedNs) const
    {
        std::istringstream(Read("schedstat")) >> runningNs >> queuedNs;
    }
    // Every thread of the program: its name, state and nice value.
    static std::string Threads()
    {
        std::string text = "  threads:";
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
            std::ifstream in(task.path() / "stat");
            std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            size_t open = stat.find('('), close = stat.rfind(')');
            if (open == std::string::npos || close == std::string::npos)
                continue;
            std::istringstream fields(stat.substr(close + 2));
            std::string field[17];
            for (std::string& f : field)
                fields >> f;
            // After the name: state is the first field, nice the sixteenth.
            text += " [" + stat.substr(open + 1, close - open - 1) + ' ' + field[0] + " nice " + field[16] + ']';
        }
        return text + '\n';
    }
    std::string Sample(long long lateNs)
    {
        std::string stat = Read("stat");
        size_t state = stat.rfind(')');
        std::string text = "  +" + std::to_string(lateNs / 1000000) + " ms state "
            + (state + 2 < stat.size() ? stat.substr(state + 2, 1) : "?") + " syscall " + Read("syscall")
            + Read("stack");
        Frames().depth = -1;
        syscall(SYS_tgkill, getpid(), tid_, Signal());
        for (int i = 0; i < 200 && Frames().depth < 0; ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        if (Frames().depth < 0)
            return text + "  (no user stack within 50 ms)\n";
        char** names = backtrace_symbols(Frames().at, Frames().depth);
        for (int i = 2; i < Frames().depth; ++i) // past the handler and the signal frame
            text += std::string("    ") + names[i] + '\n';
        std::free(names);
        return text;
    }
    void Watch()
    {
        double running = 0, queued = 0;
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            long long beat = lastBeat_;
            if (Now() - beat <= lateNs_) {
                Scheduled(running, queued);
                continue;
            }
            Stall stall;
            long long nextSample = 0;
            stall.samples.push_back(Threads());
            while (!stop_ && lastBeat_ == beat) {
                long long late = Now() - beat;
                if (late >= nextSample && stall.samples.size() < 6) {
                    stall.samples.push_back(Sample(late));
                    nextSample = late + 10000000LL;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (lastBeat_ == beat)
                break; // the watch ended inside the stall: it has no length
            double runningAfter = 0, queuedAfter = 0;
            Scheduled(runningAfter, queuedAfter);
            stall.ms = (lastBeat_ - beat) / 1e6;
            stall.queuedMs = (queuedAfter - queued) / 1e6;
            stall.runningMs = (runningAfter - running) / 1e6;
            stalls_.push_back(std::move(stall));
            running = runningAfter;
            queued = queuedAfter;
        }
    }

    const long long lateNs_;
    const pid_t tid_;
    const std::string path_;
    std::atomic<long long> lastBeat_ {0};
    std::atomic<bool> stop_ {false};
    std::vector<Stall> stalls_;
    std::thread watcher_;
};

} // namespace pelmora::bench
