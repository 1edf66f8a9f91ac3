// A named pipe for tests, with a thread that feeds or drains its other end. POSIX only.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include <gtest/gtest.h>

// A named pipe: the end a run opens cannot be positioned, so its rows go through the whole
// image held in memory. Another thread feeds or drains the other end.
class Fifo {
public:
    explicit Fifo(std::string sPath) : m_sPath(std::move(sPath)) {
        EXPECT_EQ(mkfifo(m_sPath.c_str(), 0600), 0);
    }
    ~Fifo() {
        if (m_thread.joinable())
            m_thread.join();
        unlink(m_sPath.c_str());
    }
    void Feed(std::string sBytes) {
        m_thread = std::thread([this, sBytes] {
            const int fd = open(m_sPath.c_str(), O_WRONLY);
            for (std::size_t n = 0; fd >= 0 && n < sBytes.size();) {
                const ssize_t w = write(fd, sBytes.data() + n, sBytes.size() - n);
                if (w <= 0)
                    break;
                n += static_cast<std::size_t>(w);
            }
            close(fd);
        });
    }
    void Drain() {
        m_thread = std::thread([this] {
            const int fd = open(m_sPath.c_str(), O_RDONLY);
            char buffer[65536];
            for (ssize_t r; fd >= 0 && (r = read(fd, buffer, sizeof buffer)) > 0;)
                m_sDrained.append(buffer, static_cast<std::size_t>(r));
            close(fd);
        });
    }
    std::string Drained() {
        m_thread.join();
        return m_sDrained;
    }

private:
    std::string m_sPath;
    std::thread m_thread;
    std::string m_sDrained;
};
