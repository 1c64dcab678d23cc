#include "app/frame_writer.h"

#include <algorithm>

FrameWriter::FrameWriter(int workers, int capacity, Encode encode, Place place)
    : encode_(std::move(encode)), place_(std::move(place)), capacity_(static_cast<size_t>(std::max(1, capacity)))
{
    for (int i = 0; i < std::max(1, workers); ++i) threads_.emplace_back([this] { work(); });
}

FrameWriter::~FrameWriter()
{
    std::string ignored;
    finish(ignored);
}

int FrameWriter::defaultWorkers() { return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u)); }

std::vector<uint8_t> FrameWriter::buffer()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return {};
    std::vector<uint8_t> pixels = std::move(spare_.back());
    spare_.pop_back();
    return pixels;
}

bool FrameWriter::submit(std::vector<uint8_t>&& pixels, int width, int height)
{
    std::unique_lock<std::mutex> lock(mutex_);
    spaceFree_.wait(lock, [this] { return queue_.size() < capacity_ || failed_; });
    if (failed_) return false;
    queue_.push_back({nextSequence_++, width, height, std::move(pixels)});
    peak_ = std::max(peak_, queue_.size());
    jobReady_.notify_one();
    return true;
}

void FrameWriter::work()
{
    for (;;) {
        WrittenFrame frame;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            jobReady_.wait(lock, [this] { return closing_ || !queue_.empty(); });
            if (queue_.empty()) return;
            frame = std::move(queue_.front());
            queue_.pop_front();
            spaceFree_.notify_one();
        }
        std::vector<uint8_t> bytes;
        std::string error;
        bool ok = !failed_ && encode_(frame, bytes, error);
        {
            std::unique_lock<std::mutex> lock(mutex_);
            turn_.wait(lock, [&] { return nextToPlace_ == frame.sequence; });
        }
        // Only the frame whose turn it is gets here: placing needs no lock.
        if (ok && !failed_) {
            ok = place_(frame.sequence, bytes, error);
            if (ok) ++placed_;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ok && !failed_) {
            failed_ = true;
            firstError_ = error;
            spaceFree_.notify_all();  // a waiting hand-over learns of it
        }
        ++nextToPlace_;
        spare_.push_back(std::move(frame.pixels));
        turn_.notify_all();
    }
}

bool FrameWriter::finish(std::string& error)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!finished_) {
            finished_ = true;
            closing_ = true;
            jobReady_.notify_all();
        }
    }
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
    std::lock_guard<std::mutex> lock(mutex_);
    error = firstError_;
    return !failed_;
}

size_t FrameWriter::peakWaiting() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return peak_;
}

size_t FrameWriter::waiting() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
}
