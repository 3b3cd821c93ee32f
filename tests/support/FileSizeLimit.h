// Makes writes to files stop at a given size, as a full disk would, for the
// test process and the programs it starts, until the object goes.
#ifndef KWO_TESTS_FILESIZELIMIT_H
#define KWO_TESTS_FILESIZELIMIT_H

#include <csignal>
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        // The write then fails with an error instead of ending the process.
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_old;
    void (*m_handler)(int);
};

#endif
