#include "texture/row_split.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Below this many rows a thread's hand-over costs more than the rows.
constexpr int32_t MIN_ROWS_PER_RUN = 32;

class RowPool {
public:
    RowPool()
    {
        const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
        for (unsigned i = 1; i < cores; ++i) workers_.emplace_back([this] { work(); });
        for (std::thread& worker : workers_) worker.detach();  // they wait for work until the process ends
    }

    int32_t runs(int32_t rows) const
    {
        if (fixedRuns_ > 0) return std::max<int32_t>(1, std::min(fixedRuns_, rows));
        return std::max<int32_t>(1, std::min<int32_t>(static_cast<int32_t>(workers_.size()) + 1, rows / MIN_ROWS_PER_RUN));
    }

    void setRuns(int32_t runs) { fixedRuns_ = runs; }

    void run(int32_t rows, const std::function<void(int32_t, int32_t)>& body)
    {
        const int32_t parts = runs(rows);
        if (parts == 1 || workers_.empty()) {
            for (int32_t part = 0; part < parts; ++part) body(begin(part, rows, parts), begin(part + 1, rows, parts));
            return;
        }
        std::lock_guard<std::mutex> one(callers_);  // one split at a time
        {
            std::lock_guard<std::mutex> lock(mutex_);
            body_ = &body;
            rows_ = rows;
            parts_ = parts;
            nextPart_ = 0;
            busy_ = static_cast<int32_t>(workers_.size());
            ++generation_;
        }
        start_.notify_all();
        takeParts(body, rows, parts);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return busy_ == 0; });
        body_ = nullptr;
    }

private:
    static int32_t begin(int32_t part, int32_t rows, int32_t parts)
    {
        return static_cast<int32_t>(static_cast<int64_t>(rows) * part / parts);
    }

    // Whoever is free takes the next run: which thread does a run changes
    // nothing in it.
    void takeParts(const std::function<void(int32_t, int32_t)>& body, int32_t rows, int32_t parts)
    {
        for (int32_t part; (part = nextPart_.fetch_add(1)) < parts;)
            body(begin(part, rows, parts), begin(part + 1, rows, parts));
    }

    void work()
    {
        uint64_t seen = 0;
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return generation_ != seen; });
            seen = generation_;
            const std::function<void(int32_t, int32_t)>* body = body_;
            const int32_t rows = rows_, parts = parts_;
            lock.unlock();
            takeParts(*body, rows, parts);
            lock.lock();
            if (--busy_ == 0) done_.notify_one();
        }
    }

    std::vector<std::thread> workers_;
    std::mutex callers_, mutex_;
    std::condition_variable start_, done_;
    const std::function<void(int32_t, int32_t)>* body_ = nullptr;
    int32_t rows_ = 0, parts_ = 0, busy_ = 0;
    std::atomic<int32_t> nextPart_{0};
    uint64_t generation_ = 0;
    int32_t fixedRuns_ = 0;
};

RowPool& pool()
{
    static RowPool* rowPool = new RowPool();  // never torn down: its threads outlive every caller
    return *rowPool;
}

}  // namespace

int32_t rowRunCount(int32_t rows) { return pool().runs(rows); }

void setRowRuns(int32_t runs) { pool().setRuns(runs); }

void forRowRuns(int32_t rows, const std::function<void(int32_t first, int32_t end)>& body)
{
    pool().run(rows, body);
}
