// Frames off the render thread: the render thread hands over each frame's
// read-back pixels and goes on; a pool of workers encodes them, and each
// encoded frame is placed (a file written, bytes sent to an encoder) in the
// order the frames were handed over. The queue is bounded: when it is full,
// handing over waits, so a slow writer slows the drawing down and never
// loses or reorders a frame.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct WrittenFrame {
    long sequence;  // 0 for the first frame handed over, then 1, 2, ...
    int width, height;
    std::vector<uint8_t> pixels;  // as read back: RGBA, the bottom row first
};

class FrameWriter {
public:
    // Turns a frame into the bytes to place; on any worker, at once.
    using Encode = std::function<bool(const WrittenFrame& frame, std::vector<uint8_t>& bytes, std::string& error)>;
    // Places one frame's bytes; one at a time, in sequence.
    using Place = std::function<bool(long sequence, const std::vector<uint8_t>& bytes, std::string& error)>;

    FrameWriter(int workers, int capacity, Encode encode, Place place);
    ~FrameWriter();  // finishes
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // A pixel buffer to fill, one a finished frame gave back when there is one.
    std::vector<uint8_t> buffer();
    // Waits while `capacity` frames wait; false once a frame has failed
    // (the frames after it are not placed).
    bool submit(std::vector<uint8_t>&& pixels, int width, int height);
    // Waits until every frame handed over is placed; false with the first
    // failure's reason.
    bool finish(std::string& error);

    long placed() const { return placed_; }
    // The most frames that ever waited for a worker at once.
    size_t peakWaiting() const;
    size_t waiting() const;

    // As many workers as the machine has cores, and twice as many places.
    static int defaultWorkers();

private:
    void work();

    Encode encode_;
    Place place_;
    size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable jobReady_, spaceFree_, turn_;
    std::deque<WrittenFrame> queue_;
    std::vector<std::vector<uint8_t>> spare_;
    long nextSequence_ = 0, nextToPlace_ = 0;
    std::atomic<long> placed_{0};
    std::atomic<bool> failed_{false};
    bool closing_ = false, finished_ = false;
    std::string firstError_;
    size_t peak_ = 0;
    std::vector<std::thread> threads_;
};
