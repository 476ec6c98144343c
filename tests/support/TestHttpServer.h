// A tiny HTTP/1.1 server for tests, on 127.0.0.1 only, at a port the system picks. Each path answers with a fixed
// status and body, or stays silent (accepts and never answers) to make clients time out. Stops when destroyed.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestHttpServer {
public:
    struct Answer {
        int status = 200;
        std::string body; // sent byte for byte
        bool silent = false;
        std::string contentType = "text/plain";
    };

    TestHttpServer();
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    // Paths without an answer get 404.
    void answer(const std::string& path, Answer answer);
    // "http://127.0.0.1:PORT"
    std::string baseAddress() const;
    int requests(const std::string& path);

    // A loopback address where nothing listens: connecting there is refused at once.
    static std::string deadAddress();

private:
    void run();
    void serve(int client);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::map<std::string, Answer> m_answers;
    std::map<std::string, int> m_requests;
    std::vector<int> m_silentClients;
    std::thread m_thread;
};
