#include "support/FakePrinter.h"

#include <zlib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace testcups {
namespace {

bool SendAll(int socket, const QByteArray& data) {
    for (qsizetype sent = 0; sent < data.size();) {
        const ssize_t n = ::send(socket, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

// 64 MiB of zeros, gzip'd (about 64 KiB), made once.
const QByteArray& Bomb() {
    static const QByteArray bomb = [] {
        z_stream z{};
        deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
        static const char zeros[1 << 20] = {};
        QByteArray out;
        char buffer[1 << 16];
        for (int i = 0; i < 64; ++i) {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros));
            z.avail_in = sizeof zeros;
            const int flush = i == 63 ? Z_FINISH : Z_NO_FLUSH;
            do {
                z.next_out = reinterpret_cast<Bytef*>(buffer);
                z.avail_out = sizeof buffer;
                deflate(&z, flush);
                out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
            } while (z.avail_out == 0);
        }
        deflateEnd(&z);
        return out;
    }();
    return bomb;
}

QByteArray Ok(const QByteArray& fields, qsizetype length) {
    return "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n" + fields + "Content-Length: " +
           QByteArray::number(length) + "\r\n\r\n";
}

}  // namespace

FakePrinter::FakePrinter(Behaviour behaviour, QByteArray answer) : mBehaviour(behaviour), mAnswer(std::move(answer)) {
    if (behaviour == Behaviour::GzipBomb) Bomb();
    mListener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(mListener, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(mListener, 16);
    socklen_t size = sizeof a;
    ::getsockname(mListener, reinterpret_cast<sockaddr*>(&a), &size);
    mPort = ntohs(a.sin_port);
    mAcceptor = std::thread([this] { Accept(); });
}

FakePrinter::~FakePrinter() {
    mStop = true;
    mAcceptor.join();
    std::lock_guard lock(mMutex);
    for (std::thread& t : mThreads) t.join();
    ::close(mListener);
}

QByteArray FakePrinter::Uri(const char* scheme) const {
    return QByteArray(scheme) + "://127.0.0.1:" + QByteArray::number(mPort) + "/ipp/print";
}

void FakePrinter::Accept() {
    while (!mStop) {
        pollfd p{mListener, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int socket = ::accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) continue;
        std::lock_guard lock(mMutex);
        mThreads.emplace_back([this, socket] {
            Serve(socket);
            ::close(socket);
        });
    }
}

void FakePrinter::Serve(int socket) {
    // Whatever the client sends is read and dropped; `until` waits for the
    // request's first bytes, or (0) only for the client to go.
    const auto drain = [&](int waitMs) {
        char buffer[65536];
        pollfd p{socket, POLLIN, 0};
        for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
             !mStop && std::chrono::steady_clock::now() < end;)
            if (::poll(&p, 1, 20) > 0) return ::recv(socket, buffer, sizeof buffer, 0) > 0;
        return !mStop;
    };
    const auto idle = [&] {
        while (!mStop && drain(100)) {}
    };
    if (mBehaviour == Behaviour::Silent) return idle();
    if (!drain(10000)) return;
    ::usleep(20000);  // the rest of the request
    drain(10);
    switch (mBehaviour) {
        case Behaviour::Answer: SendAll(socket, Ok({}, mAnswer.size()) + mAnswer); break;
        case Behaviour::Chunked: {
            QByteArray body;
            for (qsizetype at = 0; at < mAnswer.size(); at += 100) {
                const QByteArray piece = mAnswer.mid(at, 100);
                body += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
            }
            SendAll(socket, "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\nTransfer-Encoding: chunked\r\n\r\n" +
                                body + "0\r\n\r\n");
            break;
        }
        case Behaviour::Unauthorized:
            SendAll(socket, "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"printer\"\r\n"
                            "Content-Length: 0\r\n\r\n");
            break;
        case Behaviour::RedirectToItself:
            SendAll(socket, "HTTP/1.1 301 Moved Permanently\r\nLocation: " + Uri() + "\r\nContent-Length: 0\r\n\r\n");
            break;
        case Behaviour::Drip:
            for (const char c : Ok({}, mAnswer.size()) + mAnswer) {
                if (mStop || !SendAll(socket, QByteArray(1, c))) return;
                ::usleep(20000);
            }
            break;
        case Behaviour::HugeHeader:
            SendAll(socket, "HTTP/1.1 200 OK\r\nX-Filler: " + QByteArray(1 << 20, 'a') + "\r\n\r\n");
            break;
        case Behaviour::GzipBomb: SendAll(socket, Ok("Content-Encoding: gzip\r\n", Bomb().size()) + Bomb()); break;
        case Behaviour::NotTls: SendAll(socket, "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n"); break;
        case Behaviour::Silent: break;
    }
    idle();  // the connection stays open: the client must not wait on it
}

}  // namespace testcups
