// A worker thread that runs one job at a time for its owner (a media filter, a file
// being written), so that the owner's thread goes on with the next piece of work
// while the job is done. Post, Finish, Start and Stop are called from one thread at a
// time (the owner's); run is called on the worker.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

template <typename Job>
class JobWorker {
public:
    JobWorker() = default;
    JobWorker(const JobWorker &) = delete;
    JobWorker &operator=(const JobWorker &) = delete;
    ~JobWorker() { Stop(); }

    void Start(std::function<void(Job &)> run)
    {
        Stop();
        run_ = std::move(run);
        queued_ = nullptr;
        finished_ = nullptr;
        quit_ = false;
        thread_ = std::thread([this] { Loop(); });
    }

    bool Running() const { return thread_.joinable(); }

    // Finishes the job in hand and ends the thread; Finish then answers nullptr.
    void Stop()
    {
        if (!thread_.joinable())
            return;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
        queued_ = nullptr;
        finished_ = nullptr;
    }

    // Hands a job over; the one before must have been taken back with Finish.
    void Post(Job &job)
    {
        {
            std::lock_guard lock(mutex_);
            queued_ = &job;
        }
        changed_.notify_all();
    }

    // Waits for the job posted last and gives it back, once; nullptr when there is none.
    Job *Finish()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !queued_; });
        return std::exchange(finished_, nullptr);
    }

private:
    void Loop()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return quit_ || queued_; });
            if (!queued_)
                return;  // a job in hand is finished before quitting
            Job *job = queued_;
            lock.unlock();
            run_(*job);
            lock.lock();
            queued_ = nullptr;
            finished_ = job;
            changed_.notify_all();
        }
    }

    std::function<void(Job &)> run_;
    std::thread thread_;
    std::mutex mutex_;  // guards the three below
    std::condition_variable changed_;
    Job *queued_ = nullptr;    // handed over, not yet done
    Job *finished_ = nullptr;  // done, not yet taken back
    bool quit_ = false;
};
