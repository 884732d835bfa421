// Flash images: saving the controller's flash to a UFI set, reading a set
// back with its checks, and writing or comparing images.
#include "SimFixture.h"
#include "TempDir.h"
#include "UfiFormat.h"
#include "replaced_files.h"

#include <cstring>
#include <sys/stat.h>

namespace {

// Platform 19 with OEM code 4: adapter type 12 (BIOS image 6, firmware 5);
// platform 20 with OEM code 1: type 18 (one firmware image, id 12).
const char* kConfig = R"({"adapters": [
  {"index": 0, "serial": 4660, "info": {"oem": 4}, "flash": {"identity": [1, 2, 3, 4], "biosBytes": 65536, "firmwareBytes": 2097152}},
  {"index": 1, "serial": 4661, "info": {"platform": 20, "oem": 1},
   "flash": {"identity": [5, 6, 7, 8], "firmwareBytes": 3000}},
  {"index": 2, "serial": 4662, "info": {"platform": 8}, "flash": {"firmwareBytes": 1000}}]})";

constexpr std::size_t kHeader = 76 + 2 * 20;
constexpr std::size_t kSetBytes = kHeader + 65536 + 2097152;

class FlashTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kConfig; }
    FSA_ACCESS access() const override { return FSA_ACC_READ_ONLY; }
    void prepare() override {
        sim.setJournaling(false);
        // A flash directory with build 4600 in the firmware.
        sim.update(0, [](qorsim::Adapter& a) {
            std::uint8_t* dir = a.maint.flash.firmware.data() + 4096;
            std::memcpy(dir, "*** MORVANE FLASH DIRECTORY *** ", 32);
            const std::uint32_t build = 4600;
            std::memcpy(dir + 44, &build, 4);
        });
    }
    std::string base() const { return dir.path("fw.ufi"); }
    // Saves qor0's flash and reads the set back.
    std::vector<std::uint8_t> savedSet() {
        EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 0), FSA_STS_SUCCESS);
        std::vector<std::uint8_t> image(kSetBytes);
        EXPECT_EQ(FsaCreateUFIfromFile(base().c_str(), image.data()), FSA_STS_SUCCESS);
        return image;
    }

    fsatest::TempDir dir;
};

TEST(UfiNames, SequenceReplacesATrailingZeroPair) {
    const struct {
        const char* base;
        int sequence;
        bool lower;
        const char* name;
    } rows[] = {{"fw.ufi", 1, true, "fw01.ufi"},         {"fw01.ufi", 1, true, "fw01.ufi"},
                {"fw12.ufi", 1, true, "fw1201.ufi"},     {"fw01.ufi", 2, false, "fw02.UFI"},
                {"a.b", 3, true, "a.b03.ufi"},           {"dir.x/fw", 1, true, "dir.x/fw01.ufi"},
                {"d0.x/a.ufi", 1, true, "d0.x/a01.ufi"}, {"noext", 10, true, "noext10.ufi"}};
    for (const auto& r : rows)
        EXPECT_EQ(createFilename(r.base, r.sequence, r.lower), r.name) << r.base;
}

TEST(UfiLayout, FileCountAndChecksum) {
    EXPECT_EQ(ufiFileCount(UFI_SIZE_LIMIT, 116, 65536 + 2097152), 2u);
    EXPECT_EQ(ufiFileCount(UFI_SIZE_LIMIT, 96, 1000000 - 96), 1u);
    EXPECT_EQ(ufiFileCount(UFI_SIZE_LIMIT, 96, 1000000 - 95), 2u);
    EXPECT_EQ(ufiFileCount(0, 96, 50000000), 1u);
    const std::uint8_t bytes[] = {0xFF, 0xFF, 0x02};
    EXPECT_EQ(calcChecksum(bytes, 3), 0x200);
    std::vector<std::uint8_t> image(100, 0);
    std::memcpy(image.data() + 52, "*** MORVANE FLASH DIRECTORY *** ", 32);
    EXPECT_EQ(locateFlashDirectory(image.data(), image.size()), 52); // words through byte 48 fit
    EXPECT_EQ(locateFlashDirectory(image.data(), 99), -1);
}

TEST_F(FlashTest, SaveWritesTwoFilesThatReadBackWhole) {
    const std::vector<std::uint8_t> image = savedSet();
    EXPECT_EQ(dir.names(), (std::set<std::string>{"fw01.ufi", "fw02.ufi"}));
    EXPECT_EQ(dir.read("fw01.ufi").size(), 1000000u);
    EXPECT_EQ(dir.read("fw02.ufi").size(), kHeader + 1162804u);

    const fileHeader h = ufiReadHeader(image.data());
    EXPECT_STREQ(std::string(h.text, 31).c_str(), "Morvane User Flash Image B4600\x1A");
    EXPECT_EQ(h.fileCount, 2u);
    EXPECT_EQ(h.sequence, 1u);
    EXPECT_EQ(h.imageCount, 2u);
    EXPECT_EQ(h.build, 4600u);
    EXPECT_EQ(h.totalLength, kSetBytes);
    EXPECT_EQ(h.checksumComplement, ~h.checksum);
    EXPECT_EQ(std::vector<std::uint32_t>(h.identity, h.identity + 4),
              (std::vector<std::uint32_t>{1, 2, 3, 4}));
    const imageHeader bios = ufiReadImageHeader(image.data(), 0);
    const imageHeader firmware = ufiReadImageHeader(image.data(), 1);
    EXPECT_EQ(bios.id, 6u);
    EXPECT_EQ(bios.offset, kHeader);
    EXPECT_EQ(bios.flashDirectory, 0u);
    EXPECT_EQ(firmware.id, 5u);
    EXPECT_EQ(firmware.offset, kHeader + 65536);
    EXPECT_EQ(firmware.flashDirectory, 4600u);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_EQ(0, std::memcmp(image.data() + bios.offset, a.maint.flash.bios.data(), 65536));
    EXPECT_EQ(0,
              std::memcmp(image.data() + firmware.offset, a.maint.flash.firmware.data(), 2097152));
    // The second file carries its own sequence number.
    EXPECT_EQ(ufiReadHeader(dir.read("fw02.ufi").data()).sequence, 2u);
}

TEST_F(FlashTest, ExistingFilesAreKeptUnlessOverwriting) {
    dir.write("fw02.ufi", {'k', 'e', 'e', 'p'});
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 0), 596u);
    EXPECT_EQ(dir.names(), std::set<std::string>{"fw02.ufi"}); // nothing new, no temporaries
    EXPECT_EQ(dir.read("fw02.ufi"), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 1), FSA_STS_SUCCESS);
    EXPECT_EQ(dir.read("fw02.ufi").size(), kHeader + 1162804u);
    // A name taken by something other than a file is never replaced.
    ::unlink(dir.path("fw02.ufi").c_str());
    ASSERT_EQ(::mkdir(dir.path("fw02.ufi").c_str(), 0700), 0);
    const std::vector<std::uint8_t> first = dir.read("fw01.ufi");
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 1), 586u);
    EXPECT_EQ(dir.read("fw01.ufi"), first);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"fw01.ufi", "fw02.ufi"}));
    ::rmdir(dir.path("fw02.ufi").c_str());
}

TEST_F(FlashTest, FailuresLeaveNoFiles) {
    // A directory that does not exist.
    EXPECT_EQ(FsaReadFlashToFile(handle, dir.path("missing/fw.ufi").c_str(), 0), 586u);
    // The controller stops answering in the middle of the firmware.
    qorsim::Fault broken;
    broken.scsiOperation = 82;
    broken.error = EIO;
    broken.skip = 2000;
    sim.inject(broken);
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 0), FSA_STS_UX_IOCTL_FAILED);
    // A region that reads empty.
    sim.update(0, [](qorsim::Adapter& a) { a.maint.flash.bios.clear(); });
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 0), 585u);
    EXPECT_TRUE(dir.names().empty());
    EXPECT_EQ(FsaReadFlashToFile(nullptr, base().c_str(), 0), FSA_STS_INVALID_HANDLE);
}

// Each file of a set is replaced whole through a temporary beside it: a
// write that fails leaves the old set and no temporary, and what a writer
// that died left is gone after the next save.
TEST_F(FlashTest, AFailedOrDeadWriterLeavesTheOldSetAndNoTemporary) {
    const std::vector<std::uint8_t> keep = {'k', 'e', 'e', 'p'};
    dir.write("fw01.ufi", keep);
    dir.write("fw02.ufi", keep);
    // The call runs in a forked child, which shares none of this process's
    // adapter handles: it opens the adapter itself, low-level read-only so
    // that no event thread is started in the copy of a threaded process.
    EXPECT_EQ(kortest::callWithFileSizeLimit(500000,
                                             [&] {
                                                 void* own = open("qor0", FSA_ACC_LL_READ_ONLY);
                                                 const FSA_STATUS s =
                                                     FsaReadFlashToFile(own, base().c_str(), 1);
                                                 FsaCloseAdapter(own);
                                                 return static_cast<int>(s);
                                             }),
              586);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"fw01.ufi", "fw02.ufi"}));
    EXPECT_EQ(dir.read("fw01.ufi"), keep);
    EXPECT_EQ(dir.read("fw02.ufi"), keep);

    for (const char* name : {"fw01.ufi", "fw02.ufi"})
        ASSERT_NO_FATAL_FAILURE(kortest::leaveDeadWritersTemporary(dir.path(name)));
    EXPECT_EQ(FsaReadFlashToFile(handle, base().c_str(), 1), FSA_STS_SUCCESS);
    EXPECT_EQ(dir.names(), (std::set<std::string>{"fw01.ufi", "fw02.ufi"}))
        << "a dead writer's temporary stayed";
    EXPECT_EQ(dir.read("fw01.ufi").size(), 1000000u);
}

TEST_F(FlashTest, OneImageAdaptersAndAdaptersWithoutFlashImages) {
    void* single = open("qor1", FSA_ACC_READ_ONLY);
    ASSERT_EQ(FsaReadFlashToFile(single, dir.path("one.ufi").c_str(), 0), FSA_STS_SUCCESS);
    std::vector<std::uint8_t> image(76 + 20 + 3000);
    ASSERT_EQ(FsaCreateUFIfromFile(dir.path("one.ufi").c_str(), image.data()), FSA_STS_SUCCESS);
    EXPECT_EQ(ufiReadImageHeader(image.data(), 0).id, 12u);
    EXPECT_EQ(ufiReadHeader(image.data()).build, 9999u); // no flash directory
    FsaCloseAdapter(single);
    void* none = open("qor2", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaReadFlashToFile(none, dir.path("none.ufi").c_str(), 0), FSA_STS_SUCCESS);
    FsaCloseAdapter(none);
    EXPECT_EQ(dir.names(), std::set<std::string>{"one01.ufi"});
}

TEST_F(FlashTest, ReadingRefusesDamagedSets) {
    savedSet();
    const std::vector<std::uint8_t> first = dir.read("fw01.ufi");
    const std::vector<std::uint8_t> second = dir.read("fw02.ufi");
    std::vector<std::uint8_t> out(kSetBytes + 4096);
    auto readWith = [&](const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
        dir.write("fw01.ufi", a);
        dir.write("fw02.ufi", b);
        return FsaCreateUFIfromFile(base().c_str(), out.data());
    };
    std::vector<std::uint8_t> flipped = second;
    flipped[5000] ^= 1;
    std::vector<std::uint8_t> otherBuild = second;
    otherBuild[72] += 1;
    std::vector<std::uint8_t> truncated(second.begin(), second.end() - 10);
    std::vector<std::uint8_t> longer = second;
    longer.push_back(0);
    std::vector<std::uint8_t> notUfi = second;
    notUfi[0] = 'X';
    const struct {
        const char* what;
        std::vector<std::uint8_t> a, b;
        unsigned status;
    } rows[] = {{"a data byte changed", first, flipped, 595},
                {"second file of another build", first, otherBuild, 593},
                {"files in the wrong order", second, first, 594},
                {"second file short", first, truncated, 595},
                {"data beyond the total length", first, longer, 595},
                {"second file not a UFI file", first, notUfi, 591},
                {"intact", first, second, 1}};
    for (const auto& r : rows)
        EXPECT_EQ(readWith(r.a, r.b), r.status) << r.what;
    // Nothing is ever written past the set's total length.
    std::fill(out.begin(), out.end(), 0xEE);
    readWith(first, longer);
    EXPECT_EQ(out[kSetBytes], 0xEE);

    ::unlink(dir.path("fw02.ufi").c_str());
    EXPECT_EQ(FsaCreateUFIfromFile(base().c_str(), out.data()), 592u);
    // Upper-case extensions are found too.
    ::rename(dir.path("fw01.ufi").c_str(), dir.path("fw01.UFI").c_str());
    dir.write("fw02.UFI", second);
    EXPECT_EQ(FsaCreateUFIfromFile(base().c_str(), out.data()), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaCreateUFIfromFile(dir.path("absent.ufi").c_str(), out.data()), 592u);
}

TEST_F(FlashTest, UpdateWritesAndComparesImages) {
    std::vector<std::uint8_t> image = savedSet();
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 0, handle), FSA_STS_SUCCESS); // equal
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.flash.completed, 2u);

    // The flash differs from the set.
    sim.update(0, [](qorsim::Adapter& a) { a.maint.flash.firmware[100000] ^= 0xFF; });
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 0, handle), 587u);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 2, handle), FSA_STS_SUCCESS); // goes on
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), FSA_STS_SUCCESS); // rewritten
    EXPECT_EQ(sim.snapshot(0).maint.flash.firmware,
              std::vector<std::uint8_t>(image.begin() + kHeader + 65536, image.end()));
    sim.update(0, [](qorsim::Adapter& a) {
        a.maint.flash.firmware[7] ^= 0xFF;
        a.maint.flash.ignoreWrites = true;
    });
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), 588u);
}

TEST_F(FlashTest, AnImageTheControllerDidNotTakeWholeIsNeverCommitted) {
    std::vector<std::uint8_t> image = savedSet();
    image[kHeader + 10] ^= 0xFF; // the set's BIOS differs from the flash
    const qorsim::Adapter before = sim.snapshot(0);
    // The reply to the BIOS's first piece says the controller took one
    // byte less than it was sent.
    qorsim::Fault partTaken;
    partTaken.scsiOperation = 82;
    partTaken.skip = 2; // the identity and the BIOS's start go first
    partTaken.mutateReply = [](std::uint8_t* fib) {
        const std::size_t length = qorsim::kFibHeader + 20 + 4;
        qorsim::put32(fib, length, qorsim::get32(fib, length) - 1);
    };
    sim.inject(partTaken);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), 588u);
    const qorsim::Adapter after = sim.snapshot(0);
    EXPECT_EQ(after.maint.flash.bios, before.maint.flash.bios);
    EXPECT_EQ(after.maint.flash.completed, before.maint.flash.completed + 1); // the firmware
    EXPECT_EQ(after.maint.flash.firmware,
              std::vector<std::uint8_t>(image.begin() + kHeader + 65536, image.end()));
    // Further flag bits go on past differences, and so past an image not taken.
    sim.inject(partTaken);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 3, handle), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.flash.bios, before.maint.flash.bios);
    // The open transfer is replaced by the next one.
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.flash.bios,
              std::vector<std::uint8_t>(image.begin() + kHeader, image.begin() + kHeader + 65536));
}

TEST_F(FlashTest, UpdateRefusals) {
    std::vector<std::uint8_t> image = savedSet();
    // Another controller: a write is refused, a compare goes on.
    sim.update(0, [](qorsim::Adapter& a) { a.maint.flash.identity[3] = 9; });
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), 590u);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 0, handle), FSA_STS_SUCCESS);
    sim.update(0, [](qorsim::Adapter& a) { a.maint.flash.identity[3] = 4; });
    // Type 12 needs build 4527.
    fileHeader h = ufiReadHeader(image.data());
    h.build = 4526;
    std::memcpy(image.data(), &h, sizeof h);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 1, handle), 598u);
    h.build = 4527;
    std::memcpy(image.data(), &h, sizeof h);
    // An image of an unknown kind is skipped, even when it differs.
    imageHeader firmware = ufiReadImageHeader(image.data(), 1);
    firmware.id = 3;
    std::memcpy(image.data() + 76 + 20, &firmware, sizeof firmware);
    image[kHeader + 65536 + 10] ^= 1;
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 0, handle), FSA_STS_SUCCESS);
    // An image table pointing outside the set.
    firmware.id = 5;
    firmware.size = 0x7FFFFFFF;
    std::memcpy(image.data() + 76 + 20, &firmware, sizeof firmware);
    EXPECT_EQ(FsaUpdateFlashImages(image.data(), 0, handle), 595u);
    EXPECT_EQ(FsaUpdateFlashImages(nullptr, 0, handle), FSA_STS_BAD_ARGUMENTS);
}

} // namespace
