// The kill helper's promise, whatever a rewrite costs: every kill lands in
// the middle of a rewrite, so the last killed writer's temporary is there to
// clean, and the file itself is only ever whole.
#include "killed_writers.h"

#include "tempfiles/owned_temporary.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kor::tempfiles::OwnedTemporary;
using kor::tempfiles::removeStaleTemporaries;

namespace {

class KilledWriters : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/killed-writers-test.XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        m_dir = dir;
        m_target = m_dir + "/data";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A rewrite as the libraries make one; in the child, a failure ends it.
    void rewrite(const std::string& content) const {
        const std::string prefix = m_target + ".tmp";
        removeStaleTemporaries(prefix);
        OwnedTemporary temporary(prefix);
        const int fd = temporary.created() ? temporary.openForWriting() : -1;
        if (fd < 0)
            ::_exit(3);
        for (std::size_t done = 0; done < content.size();) {
            const ssize_t written = ::write(fd, content.data() + done, content.size() - done);
            if (written <= 0)
                ::_exit(4);
            done += static_cast<std::size_t>(written);
        }
        if (::close(fd) != 0 || ::rename(temporary.path().c_str(), m_target.c_str()) != 0)
            ::_exit(5);
        temporary.renamed();
    }
    int temporaries(pid_t writer = 0) const {
        const std::string own = "data.tmp." + (writer != 0 ? std::to_string(writer) + "." : "");
        int count = 0;
        for (const auto& entry : fs::directory_iterator(m_dir))
            count += entry.path().filename().string().rfind(own, 0) == 0;
        return count;
    }

    std::string m_dir;
    std::string m_target;
};

TEST_F(KilledWriters, EveryKillLandsInARewriteHoweverShortItIs) {
    // From a rewrite far shorter than the helper's polling to one of
    // many milliseconds.
    for (const std::size_t size : {std::size_t{1}, std::size_t{64} << 10, std::size_t{8} << 20}) {
        SCOPED_TRACE("rewrites of " + std::to_string(size) + " bytes");
        const std::string content(size, 'k');
        ASSERT_NO_FATAL_FAILURE(kortest::killRewritesMidway(
            [&] { rewrite(content); }, [&](pid_t writer) { return temporaries(writer) > 0; }, 10));
        // Each rewrite removes the temporaries of the writers killed before.
        EXPECT_EQ(temporaries(), 1);
        if (fs::exists(m_target)) {
            std::ifstream in(m_target, std::ios::binary);
            const std::string found{std::istreambuf_iterator<char>(in), {}};
            EXPECT_EQ(found, content) << "a killed rewrite left the file itself partial";
        }
        fs::remove(m_target);
    }
}

} // namespace
