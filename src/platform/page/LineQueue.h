#pragma once
// Lines of bytes handed from the thread that makes them to a thread of its
// own that writes them (for the raster: libcups's line compression and the
// upload), so the two overlap. Lines go in batches through a few buffers:
// memory stays a few batches whatever the page's size, and a lock is taken
// once a batch, not once a line.
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

class LineQueue {
public:
    // `write` takes one line of `lineBytes` on the writing thread (null for
    // a line given by Again); it may throw, and then the queue fails (see
    // Next, Finish).
    using Write = std::function<void(const unsigned char* line)>;
    LineQueue(size_t lineBytes, Write write, size_t linesPerBatch = 64, size_t batches = 4);
    // Stops the writer: lines not yet written are dropped.
    ~LineQueue();
    LineQueue(const LineQueue&) = delete;
    LineQueue& operator=(const LineQueue&) = delete;

    // The buffer for the next line, to be filled before the next call.
    // Throws what the writer threw.
    unsigned char* Next();
    // The next line is the line before it again: no bytes are copied, and
    // the writer is given null for it. Throws what the writer threw.
    void Again();
    // Waits until every line is written; throws what the writer threw.
    void Finish();

private:
    void Hand();  // the batch being filled goes to the writer
    void Run();

    struct Batch {
        std::vector<unsigned char> bytes;
        std::vector<bool> again;  // per line: the line before it again
        size_t lines = 0;
    };
    // The batch with room for one more line.
    Batch& Room();
    const size_t mLineBytes, mPerBatch;
    Write mWrite;
    std::vector<Batch> mBatches;
    size_t mFilling = 0;   // the batch the maker fills
    size_t mHanded = 0;    // batches handed over, in all
    size_t mWritten = 0;   // batches written, in all
    bool mStop = false;
    std::exception_ptr mFailure;
    std::mutex mLock;
    std::condition_variable mChanged;
    std::thread mWriter;
};

}  // namespace platform
