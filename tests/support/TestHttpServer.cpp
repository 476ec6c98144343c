#include "support/TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int listenOnLoopback(int& port, bool listen) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || (listen && ::listen(fd, 16) != 0)) {
        ::close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

void sendAll(int fd, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

TestHttpServer::TestHttpServer() {
    m_listener = listenOnLoopback(m_port, true);
    m_thread = std::thread([this] { run(); });
}

TestHttpServer::~TestHttpServer() {
    m_stop = true;
    m_thread.join();
    for (int fd : m_silentClients)
        ::close(fd);
    ::close(m_listener);
}

void TestHttpServer::answer(const std::string& path, Answer answer) {
    std::lock_guard lock(m_mutex);
    m_answers[path] = std::move(answer);
}

std::string TestHttpServer::baseAddress() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

int TestHttpServer::requests(const std::string& path) {
    std::lock_guard lock(m_mutex);
    return m_requests[path];
}

std::string TestHttpServer::deadAddress() {
    int port = 0;
    int fd = listenOnLoopback(port, false); // bound but not listening: connections are refused
    ::close(fd);
    return "http://127.0.0.1:" + std::to_string(port);
}

void TestHttpServer::run() {
    while (!m_stop) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) serve(client);
    }
}

void TestHttpServer::serve(int client) {
    // Read the request head, for at most two seconds.
    std::string request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 &&
           std::chrono::steady_clock::now() < deadline && !m_stop) {
        pollfd waiting{client, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        char buffer[4096];
        ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    std::string path;
    const std::size_t space = request.find(' ');
    if (space != std::string::npos) path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);

    Answer answer{404, "<html>not found</html>", false};
    {
        std::lock_guard lock(m_mutex);
        ++m_requests[path];
        auto found = m_answers.find(path);
        if (found != m_answers.end()) answer = found->second;
        if (answer.silent) {
            m_silentClients.push_back(client); // kept open, unanswered, until the server stops
            return;
        }
    }
    sendAll(client, "HTTP/1.1 " + std::to_string(answer.status) + " " + reason(answer.status) + "\r\nContent-Type: " +
                        answer.contentType + "\r\nContent-Length: " + std::to_string(answer.body.size()) +
                        "\r\nConnection: close\r\n\r\n" + answer.body);
    ::shutdown(client, SHUT_WR);
    ::close(client);
}
