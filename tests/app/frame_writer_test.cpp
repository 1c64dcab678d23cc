#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_writer.h"

namespace {

// Each frame's pixels carry its number; the "encoding" copies them, at
// staggered speeds so that workers finish out of order.
bool copyPixels(const WrittenFrame& frame, std::vector<uint8_t>& bytes, std::string&)
{
    std::this_thread::sleep_for(std::chrono::microseconds(200 * (frame.sequence % 3)));
    bytes = frame.pixels;
    return true;
}

std::vector<uint8_t> pixelsOf(long n) { return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 7, 255}; }

TEST(FrameWriter, ASlowWriterGetsEveryFrameOnceInOrderAndHoldsTheQueueToItsBound)
{
    const struct {
        int workers, capacity;
        long frames;
    } cases[] = {{1, 1, 20}, {2, 4, 60}, {4, 2, 40}, {3, 8, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.workers) + " workers, " + std::to_string(c.capacity) + " places");
        std::vector<long> placed;  // only ever touched by the one placing worker
        bool pixelsMatch = true;
        FrameWriter* self = nullptr;
        bool filledUp = false;
        FrameWriter writer(c.workers, c.capacity, copyPixels,
                           [&](long sequence, const std::vector<uint8_t>& bytes, std::string&) {
                               // The first frame is placed only once the queue is full: the
                               // render thread must then be the one that waits.
                               if (sequence == 0)
                                   for (int i = 0; i < 2000 && self->waiting() < size_t(c.capacity); ++i)
                                       std::this_thread::sleep_for(std::chrono::milliseconds(1));
                               if (sequence == 0) filledUp = self->waiting() == size_t(c.capacity);
                               std::this_thread::sleep_for(std::chrono::microseconds(300));  // slow
                               pixelsMatch = pixelsMatch && bytes == pixelsOf(sequence);
                               placed.push_back(sequence);
                               return true;
                           });
        self = &writer;
        for (long n = 0; n < c.frames; ++n) ASSERT_TRUE(writer.submit(pixelsOf(n), 1, 1));
        std::string error;
        ASSERT_TRUE(writer.finish(error)) << error;
        ASSERT_EQ(static_cast<long>(placed.size()), c.frames);
        for (long n = 0; n < c.frames; ++n) ASSERT_EQ(placed[n], n);
        EXPECT_TRUE(pixelsMatch);
        EXPECT_EQ(writer.placed(), c.frames);
        EXPECT_TRUE(filledUp);
        EXPECT_LE(writer.peakWaiting(), size_t(c.capacity));
    }
}

TEST(FrameWriter, AFailedFrameStopsTheFramesAfterItAndIsReported)
{
    std::vector<long> placed;
    FrameWriter writer(2, 2, copyPixels, [&](long sequence, const std::vector<uint8_t>&, std::string& error) {
        if (sequence == 5) {
            error = "frame_00005.png: No space left on device";
            return false;
        }
        placed.push_back(sequence);
        return true;
    });
    long handedOver = 0;
    while (handedOver < 1000 && writer.submit(pixelsOf(handedOver), 1, 1)) ++handedOver;
    EXPECT_LT(handedOver, 1000) << "handing over stops once a frame has failed";
    std::string error;
    EXPECT_FALSE(writer.finish(error));
    EXPECT_EQ(error, "frame_00005.png: No space left on device");
    EXPECT_EQ(placed, (std::vector<long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(writer.placed(), 5);
}

TEST(FrameWriter, FinishedFramesGiveTheirBuffersBack)
{
    FrameWriter writer(1, 1, copyPixels, [](long, const std::vector<uint8_t>&, std::string&) { return true; });
    EXPECT_TRUE(writer.buffer().empty());
    std::vector<uint8_t> pixels(4096);
    const uint8_t* data = pixels.data();
    ASSERT_TRUE(writer.submit(std::move(pixels), 32, 32));
    std::string error;
    ASSERT_TRUE(writer.finish(error));
    EXPECT_EQ(writer.buffer().data(), data);
}

}  // namespace
