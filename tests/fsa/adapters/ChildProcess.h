#pragma once

// A child process with a pipe to its stdin and one from its stdout, for
// tests that run the library in processes of their own.

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fsatest {

class Child {
public:
    explicit Child(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[0]);
            ::close(in[1]);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = ::fdopen(out[0], "r");
    }
    ~Child() {
        closeInput();
        wait();
        if (m_out)
            std::fclose(m_out);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Whether the whole text reached the child's stdin.
    bool writeLine(const std::string& text) {
        const std::string line = text + "\n";
        return m_in >= 0 &&
               ::write(m_in, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    }
    std::string readLine() {
        char line[256];
        return m_out && std::fgets(line, sizeof line, m_out) ? std::string(line) : std::string();
    }
    std::string readAll() {
        std::string all, line;
        while (!(line = readLine()).empty())
            all += line;
        return all;
    }
    void closeInput() {
        if (m_in >= 0)
            ::close(m_in);
        m_in = -1;
    }
    int wait() {
        if (m_pid > 0) {
            ::waitpid(m_pid, &m_status, 0);
            m_pid = -1;
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    FILE* m_out = nullptr;
    int m_status = 0;
};

} // namespace fsatest
