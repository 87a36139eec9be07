// A small HTTP/1.1 server on 127.0.0.1 for the tests of the web notification: it runs on a
// thread of the test process, records every request it reads, and answers in one of a few
// ways, among them not at all and without end.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testhttp {

struct TCapturedRequest {
    std::string Method;
    std::string Target;
    std::string Version;
    std::vector<std::pair<std::string, std::string>> Headers;
    std::string Body;

    // Every value of the header Name (letter case of the name ignored), in order.
    std::vector<std::string> Values(const std::string& Name) const {
        std::vector<std::string> values;
        for (const auto& [name, value] : Headers) {
            if (_stricmp(name.c_str(), Name.c_str()) == 0) {
                values.push_back(value);
            }
        }
        return values;
    }
};

enum class TServerMode {
    // Reads each request and answers with Status and a two-byte JSON body.
    smAnswer,
    // Reads the request and never answers.
    smHang,
    // Answers with headers and then a body that never ends.
    smEndlessBody,
    // Answers with headers and then one body byte every 100 ms.
    smTrickle,
    // Sends its response headers one byte every two seconds, without end: every wait of the
    // client for the next byte stays within its time-out.
    smTrickleHeaders,
};

class TTestHttpServer {
public:
    explicit TTestHttpServer(TServerMode Mode, int Status = 200, std::string ExtraHeaders = {})
        : FMode(Mode), FStatus(Status), FExtraHeaders(std::move(ExtraHeaders)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        FListener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(FListener, 8);
        int length = sizeof(address);
        getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
        FPort = ntohs(address.sin_port);
        FThread = std::thread([this] { Serve(); });
    }
    TTestHttpServer(const TTestHttpServer&) = delete;
    TTestHttpServer& operator=(const TTestHttpServer&) = delete;
    ~TTestHttpServer() {
        FStop = true;
        FThread.join();
        closesocket(FListener);
        WSACleanup();
    }

    uint16_t Port() const noexcept { return FPort; }
    std::u16string ApiAddress() const {
        std::u16string text = u"http://127.0.0.1:";
        for (char c : std::to_string(FPort)) {
            text += static_cast<char16_t>(c);
        }
        return text + u"/api";
    }
    std::vector<TCapturedRequest> Requests() const {
        std::lock_guard<std::mutex> lock(FMutex);
        return FRequests;
    }
    int Connections() const noexcept { return FConnections; }
    uint64_t BodyBytesSent() const noexcept { return FBodyBytesSent; }
    // The client closed the connection while the server was still sending.
    bool ClientGaveUp() const noexcept { return FClientGaveUp; }

    // A port on which nothing listens.
    static uint16_t UnusedPort() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
        closesocket(probe);
        WSACleanup();
        return ntohs(address.sin_port);
    }

private:
    // Waits up to 100 ms for the socket to become readable.
    static bool Readable(SOCKET socket) {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval wait{0, 100000};
        return select(0, &set, nullptr, nullptr, &wait) > 0;
    }

    void Serve() {
        while (!FStop) {
            if (!Readable(FListener)) {
                continue;
            }
            const SOCKET client = accept(FListener, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                continue;
            }
            ++FConnections;
            const DWORD sendTimeout = 200;
            setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&sendTimeout),
                       sizeof(sendTimeout));
            Converse(client);
            closesocket(client);
        }
    }

    // Requests on one connection until the client closes it or the server stops.
    void Converse(SOCKET client) {
        std::string pending;
        while (!FStop) {
            TCapturedRequest request;
            if (!ReadRequest(client, pending, request)) {
                return;
            }
            {
                std::lock_guard<std::mutex> lock(FMutex);
                FRequests.push_back(request);
            }
            if (!Answer(client)) {
                return;
            }
        }
    }

    bool ReadSome(SOCKET client, std::string& pending) {
        while (!FStop) {
            if (!Readable(client)) {
                continue;
            }
            char buffer[4096];
            const int received = recv(client, buffer, sizeof(buffer), 0);
            if (received <= 0) {
                return false;
            }
            pending.append(buffer, static_cast<size_t>(received));
            return true;
        }
        return false;
    }

    bool ReadRequest(SOCKET client, std::string& pending, TCapturedRequest& request) {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            if (!ReadSome(client, pending)) {
                return false;
            }
        }
        const std::string head = pending.substr(0, end);
        pending.erase(0, end + 4);
        size_t lineEnd = head.find("\r\n");
        const std::string requestLine = head.substr(0, lineEnd);
        const size_t space1 = requestLine.find(' ');
        const size_t space2 = requestLine.find(' ', space1 + 1);
        request.Method = requestLine.substr(0, space1);
        request.Target = requestLine.substr(space1 + 1, space2 - space1 - 1);
        request.Version = requestLine.substr(space2 + 1);
        size_t length = 0;
        while (lineEnd != std::string::npos) {
            const size_t start = lineEnd + 2;
            lineEnd = head.find("\r\n", start);
            const std::string line =
                head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
            const size_t colon = line.find(':');
            std::string value = line.substr(colon + 1);
            while (!value.empty() && value.front() == ' ') {
                value.erase(0, 1);
            }
            request.Headers.emplace_back(line.substr(0, colon), value);
            if (_stricmp(line.substr(0, colon).c_str(), "Content-Length") == 0) {
                length = std::stoul(value);
            }
        }
        while (pending.size() < length) {
            if (!ReadSome(client, pending)) {
                return false;
            }
        }
        request.Body = pending.substr(0, length);
        pending.erase(0, length);
        return true;
    }

    bool SendAll(SOCKET client, const std::string& data) {
        size_t sent = 0;
        while (sent < data.size()) {
            const int result = send(client, data.data() + sent, static_cast<int>(data.size() - sent), 0);
            if (result <= 0) {
                // A full send buffer only times out; the server goes on until told to stop.
                if (WSAGetLastError() == WSAETIMEDOUT && !FStop) {
                    continue;
                }
                return false;
            }
            sent += static_cast<size_t>(result);
        }
        return true;
    }

    // False when the connection is over.
    bool Answer(SOCKET client) {
        switch (FMode) {
        case TServerMode::smAnswer:
            return SendAll(client, "HTTP/1.1 " + std::to_string(FStatus) +
                                       " Status\r\nContent-Type: application/json\r\nContent-Length: 2\r\n" +
                                       FExtraHeaders + "\r\n{}");
        case TServerMode::smHang: {
            std::string ignored;
            while (ReadSome(client, ignored)) {
            }
            return false;
        }
        case TServerMode::smTrickleHeaders: {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nX-Padding: ";
            for (size_t i = 0; !FStop; ++i) {
                if (!SendAll(client, std::string(1, i < head.size() ? head[i] : 'x'))) {
                    FClientGaveUp = true;
                    return false;
                }
                for (int wait = 0; wait < 20 && !FStop; ++wait) {
                    Sleep(100);
                }
            }
            return false;
        }
        case TServerMode::smEndlessBody:
        case TServerMode::smTrickle: {
            if (!SendAll(client,
                         "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n")) {
                return false;
            }
            const std::string chunk(FMode == TServerMode::smTrickle ? 1 : 16384, 'x');
            while (!FStop) {
                if (!SendAll(client, chunk)) {
                    FClientGaveUp = true;
                    return false;
                }
                FBodyBytesSent += chunk.size();
                if (FMode == TServerMode::smTrickle) {
                    Sleep(100);
                }
            }
            return false;
        }
        }
        return false;
    }

    const TServerMode FMode;
    const int FStatus;
    const std::string FExtraHeaders;
    SOCKET FListener = INVALID_SOCKET;
    uint16_t FPort = 0;
    std::thread FThread;
    std::atomic<bool> FStop{false};
    std::atomic<int> FConnections{0};
    std::atomic<uint64_t> FBodyBytesSent{0};
    std::atomic<bool> FClientGaveUp{false};
    mutable std::mutex FMutex;
    std::vector<TCapturedRequest> FRequests;
};

} // namespace testhttp
