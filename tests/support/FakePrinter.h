#pragma once
// A network printer that answers what a test tells it to, hostile things
// included: a loopback TCP server on a free port, on a thread of its own,
// that answers every request the same way until it is destroyed. Only ever
// 127.0.0.1.
#include <QByteArray>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace testcups {

enum class Behaviour {
    Answer,          // 200 with the answer given
    Chunked,         // the same, in chunks
    Unauthorized,    // 401, asking for a password
    RedirectToItself,// 301 to its own address
    Drip,            // a 200 header and the answer a byte every 20 ms
    Silent,          // takes the connection and says nothing
    HugeHeader,      // a header of 1 MiB
    GzipBomb,        // a gzip body that inflates to 64 MiB
    NotTls,          // answers a TLS greeting with plain HTTP
};

class FakePrinter {
public:
    explicit FakePrinter(Behaviour behaviour, QByteArray answer = {});
    ~FakePrinter();
    FakePrinter(const FakePrinter&) = delete;
    FakePrinter& operator=(const FakePrinter&) = delete;

    int Port() const { return mPort; }
    // scheme://127.0.0.1:PORT/ipp/print
    QByteArray Uri(const char* scheme = "ipp") const;

private:
    void Accept();
    void Serve(int socket);

    Behaviour mBehaviour;
    QByteArray mAnswer;
    int mListener = -1;
    int mPort = 0;
    std::atomic<bool> mStop{false};
    std::mutex mMutex;
    std::vector<std::thread> mThreads;
    std::thread mAcceptor;
};

}  // namespace testcups
