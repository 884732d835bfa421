// Flash writes of a small UFI set under a failure at every FIB: the set
// holds a BIOS image (id 6) and a firmware image (id 5) of a few pieces
// each, made here for the base adapter's identity.
#include "SweepConfig.h"
#include "UfiFormat.h"

namespace fsasweep {
namespace {

constexpr std::uint32_t kBuild = 4600; // new enough for every adapter type

struct Image {
    std::uint32_t id;
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t seed) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(seed + 37 * i);
    return out;
}

// The logical image of a one-file set: header, image headers, data padded
// to 4 bytes, with the checksums a saved set carries.
std::vector<std::uint8_t> ufiSet(const std::vector<Image>& images) {
    const auto count = static_cast<std::uint32_t>(images.size());
    std::vector<std::uint8_t> set(ufiHeaderBytes(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        imageHeader h{};
        h.id = images[i].id;
        h.offset = static_cast<std::uint32_t>(set.size());
        h.size = static_cast<std::uint32_t>(images[i].data.size());
        h.checksum = calcChecksum(images[i].data.data(), images[i].data.size());
        std::memcpy(set.data() + ufiHeaderBytes(i), &h, sizeof h);
        set.insert(set.end(), images[i].data.begin(), images[i].data.end());
        set.resize(ufiPadded(set.size()));
    }
    fileHeader f{};
    ufiHeaderText(f.text, kBuild);
    f.checksumComplement = 0xFFFFFFFF;
    const std::uint32_t identity[4] = {1, 2, 3, 4}; // the base adapter's
    std::memcpy(f.identity, identity, sizeof identity);
    f.totalLength = static_cast<std::uint32_t>(set.size());
    f.sequence = 1;
    f.fileCount = 1;
    f.imageCount = count;
    f.build = kBuild;
    std::memcpy(set.data(), &f, sizeof f);
    f.checksum = calcChecksum(set.data(), set.size());
    f.checksumComplement = ~f.checksum;
    std::memcpy(set.data(), &f, sizeof f);
    return set;
}

// Pieces of 224 bytes: the firmware's last piece is short and padded in
// the set.
const std::vector<Image>& images() {
    static const std::vector<Image> kImages = {{6, bytes(300, 11)}, {5, bytes(501, 29)}};
    return kImages;
}

// Images go in one after the other and nothing can take one back: a
// failure leaves each region holding its old image or the new one, never a
// mixture; a transfer started and not completed stays open on the
// controller, which drops it at the next start.
Partial eachRegionOldOrNew() {
    return onFailure({"images written before the failure stay; the others keep their old image",
                      [](const RunResult& r) {
                          const auto& end = r.end.maint.flash;
                          const auto& old = r.start->maint.flash;
                          const auto& wanted = r.success->maint.flash;
                          return (end.bios == old.bios || end.bios == wanted.bios) &&
                                 (end.firmware == old.firmware || end.firmware == wanted.firmware);
                      }});
}

std::vector<Row> rows() {
    static const std::vector<std::uint8_t> set = ufiSet(images());
    std::vector<Row> out;
    Row write = row("flash write of a BIOS and a firmware image", kBase,
                    [](void* h) {
                        std::vector<std::uint8_t> image = set;
                        return FsaUpdateFlashImages(image.data(), 1, h);
                    },
                    {"flash"});
    write.partials.push_back(eachRegionOldOrNew());
    out.push_back(write);
    return out;
}

TEST(FlashSweepSet, IsAValidSet) {
    const std::vector<std::uint8_t> set = ufiSet(images());
    std::string message;
    EXPECT_EQ(ufiValidate(set.data(), set.size(), &message), FSA_STS_SUCCESS) << message;
}

class FlashSweep : public SweepTest {};
TEST_P(FlashSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, FlashSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
