// The committed icons as a person would see them, read back with a small .ico reader of this
// test's own, and a check that they are exactly what the generator writes today.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Colour {
    int r, g, b;
    bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
};

void PrintTo(const Colour& c, std::ostream* os)
{
    *os << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Colour kBlack = {0, 0, 0};
const Colour kGrey = {128, 128, 128};
const Colour kBrightGreen = {0, 255, 0};
const Colour kDarkGreen = {0, 128, 0};

// One decoded image: the directory entry's view of it and its pixels, top row first.
struct Picture {
    int nSize = 0;
    int nEntryColours = 0;
    int nBitCount = 0;
    std::vector<Colour> palette;
    std::vector<Colour> colours;
    std::vector<int> alpha;  // 255 for images without an alpha channel
    std::vector<bool> masked;

    Colour At(int x, int y) const { return colours[y * nSize + x]; }
    bool Opaque(int x, int y) const
    {
        return !masked[y * nSize + x] && alpha[y * nSize + x] == 255;
    }
};

std::vector<std::uint8_t> ReadFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

    unsigned U8(std::size_t at) const
    {
        if (at >= m_bytes.size())
            throw std::runtime_error("read past the end of the file at " + std::to_string(at));
        return m_bytes[at];
    }
    unsigned U16(std::size_t at) const { return U8(at) | U8(at + 1) << 8; }
    std::uint32_t U32(std::size_t at) const { return U16(at) | std::uint32_t(U16(at + 2)) << 16; }
    std::int32_t I32(std::size_t at) const { return std::int32_t(U32(at)); }

private:
    const std::vector<std::uint8_t>& m_bytes;
};

void Require(bool bCondition, const std::string& what)
{
    if (!bCondition)
        throw std::runtime_error(what);
}

Picture DecodeImage(const Reader& in, std::size_t entry, std::size_t fileSize)
{
    Picture pic;
    const int nWidth = in.U8(entry) ? int(in.U8(entry)) : 256;
    const int nHeight = in.U8(entry + 1) ? int(in.U8(entry + 1)) : 256;
    Require(nWidth == nHeight, "icon images are square");
    pic.nSize = nWidth;
    pic.nEntryColours = int(in.U8(entry + 2));
    const std::uint32_t nBytes = in.U32(entry + 8);
    const std::uint32_t nOffset = in.U32(entry + 12);
    Require(std::uint64_t(nOffset) + nBytes <= fileSize, "image data lies inside the file");

    const std::size_t h = nOffset;
    Require(in.U32(h) == 40, "BITMAPINFOHEADER");
    Require(in.I32(h + 4) == nWidth, "header width matches the directory");
    Require(in.I32(h + 8) == 2 * nHeight, "header height counts colour bitmap and mask");
    Require(in.U16(h + 12) == 1, "one plane");
    pic.nBitCount = int(in.U16(h + 14));
    Require(pic.nBitCount == int(in.U16(entry + 6)), "directory and header agree on the depth");
    Require(in.U32(h + 16) == 0, "uncompressed");

    std::size_t at = h + 40;
    if (pic.nBitCount <= 8) {
        const std::uint32_t nUsed = in.U32(h + 32);
        const std::uint32_t nColours = nUsed ? nUsed : 1u << pic.nBitCount;
        for (std::uint32_t i = 0; i < nColours; ++i, at += 4)
            pic.palette.push_back({int(in.U8(at + 2)), int(in.U8(at + 1)), int(in.U8(at))});
    }

    const int n = pic.nSize;
    const std::size_t xorStride = std::size_t(n * pic.nBitCount + 31) / 32 * 4;
    const std::size_t andStride = std::size_t(n + 31) / 32 * 4;
    const std::size_t andStart = at + xorStride * n;
    Require(andStart + andStride * n <= std::size_t(nOffset) + nBytes,
            "colour bitmap and mask fit in the image's bytes");

    pic.colours.resize(std::size_t(n) * n);
    pic.alpha.assign(std::size_t(n) * n, 255);
    pic.masked.resize(std::size_t(n) * n);
    for (int y = 0; y < n; ++y) {
        // Both bitmaps are stored bottom row first.
        const std::size_t xorRow = at + xorStride * (n - 1 - y);
        const std::size_t andRow = andStart + andStride * (n - 1 - y);
        for (int x = 0; x < n; ++x) {
            const std::size_t i = std::size_t(y) * n + x;
            if (pic.nBitCount == 32) {
                const std::size_t p = xorRow + 4 * std::size_t(x);
                pic.colours[i] = {int(in.U8(p + 2)), int(in.U8(p + 1)), int(in.U8(p))};
                pic.alpha[i] = int(in.U8(p + 3));
            } else if (pic.nBitCount == 4) {
                const unsigned byte = in.U8(xorRow + std::size_t(x) / 2);
                const unsigned index = x % 2 ? byte & 0x0F : byte >> 4;
                Require(index < pic.palette.size(), "pixel index inside the palette");
                pic.colours[i] = pic.palette[index];
            } else {
                throw std::runtime_error("unexpected depth " + std::to_string(pic.nBitCount));
            }
            pic.masked[i] = in.U8(andRow + std::size_t(x) / 8) & (0x80 >> (x % 8));
        }
    }
    return pic;
}

std::vector<Picture> DecodeIcon(const std::vector<std::uint8_t>& bytes)
{
    const Reader in(bytes);
    Require(in.U16(0) == 0 && in.U16(2) == 1, "ICONDIR of an icon");
    std::vector<Picture> pictures;
    for (unsigned i = 0; i < in.U16(4); ++i)
        pictures.push_back(DecodeImage(in, 6 + 16 * std::size_t(i), bytes.size()));
    return pictures;
}

const fs::path kIconDir = fs::path(LUMIDOT_SOURCE_DIR) / "res" / "icons";

std::vector<Picture> LoadIcon(const std::string& name)
{
    return DecodeIcon(ReadFile(kIconDir / name));
}

std::vector<int> Sizes(const std::vector<Picture>& pictures)
{
    std::vector<int> sizes;
    for (const Picture& pic : pictures)
        sizes.push_back(pic.nSize);
    return sizes;
}

TEST(IconGroups, HoldTheSizesAndDepthsTheShellPicksFrom)
{
    const std::vector<Picture> app = LoadIcon("Lumidot.ico");
    EXPECT_EQ(Sizes(app), (std::vector<int>{64, 32, 16}));
    for (const Picture& pic : app) {
        EXPECT_EQ(pic.nBitCount, 32) << pic.nSize;
        EXPECT_EQ(pic.nEntryColours, 0) << pic.nSize;
    }

    // The standard 16-colour palette, in its usual order.
    const std::vector<Colour> standard = {
        {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
        {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
        {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
        {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
    };
    for (const char* name :
         {"LampOn.ico", "LampOff.ico", "LampOnNoPort.ico", "LampOffNoPort.ico"}) {
        SCOPED_TRACE(name);
        const std::vector<Picture> lamp = LoadIcon(name);
        // One image per tray scale from 100 % to 200 %.
        EXPECT_EQ(Sizes(lamp), (std::vector<int>{32, 24, 20, 16}));
        for (const Picture& pic : lamp) {
            EXPECT_EQ(pic.nBitCount, 4) << pic.nSize;
            EXPECT_EQ(pic.nEntryColours, 16) << pic.nSize;
            EXPECT_EQ(pic.palette, standard) << pic.nSize;
        }
    }
}

struct LampCase {
    const char* pszFile;
    Colour lamp;
    bool bCrossed;
};

void PrintTo(const LampCase& c, std::ostream* os) { *os << c.pszFile; }

class LampIcon : public testing::TestWithParam<LampCase> {
protected:
    std::vector<Picture> Images() const { return LoadIcon(GetParam().pszFile); }
};

bool OnOutline(const Picture& pic, int x, int y)
{
    const int n = pic.nSize;
    auto outside = [&](int px, int py) {
        return px < 0 || py < 0 || px >= n || py >= n || !pic.Opaque(px, py);
    };
    return outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1);
}

TEST_P(LampIcon, IsAnOpaqueRoundDiscWithTransparentCorners)
{
    for (const Picture& pic : Images()) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        for (int x : {0, n - 1}) {
            for (int y : {0, n - 1}) {
                EXPECT_FALSE(pic.Opaque(x, y)) << x << "," << y;
                // Under a set mask bit anything but black would tint the taskbar behind.
                EXPECT_EQ(pic.At(x, y), kBlack) << x << "," << y;
            }
        }
        // Filled well inside the rim, empty beyond it, and touching all four edges.
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                const double r = std::hypot(x + 0.5 - n / 2.0, y + 0.5 - n / 2.0);
                if (r < n / 2.0 - 1) {
                    EXPECT_TRUE(pic.Opaque(x, y)) << x << "," << y;
                } else if (r > n / 2.0 + 0.5) {
                    EXPECT_FALSE(pic.Opaque(x, y)) << x << "," << y;
                }
            }
        }
        EXPECT_TRUE(pic.Opaque(n / 2, 0));
        EXPECT_TRUE(pic.Opaque(n / 2, n - 1));
        EXPECT_TRUE(pic.Opaque(0, n / 2));
        EXPECT_TRUE(pic.Opaque(n - 1, n / 2));
    }
}

TEST_P(LampIcon, HasAOnePixelGreyRimAllRound)
{
    for (const Picture& pic : Images()) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        EXPECT_EQ(pic.At(n / 2, 0), kGrey);
        EXPECT_EQ(pic.At(n / 2, 1), GetParam().lamp);
        EXPECT_EQ(pic.At(0, n / 2), kGrey);
        EXPECT_EQ(pic.At(1, n / 2), GetParam().lamp);
        // Every disc pixel next to the transparent outside is grey, and no other pixel is.
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                if (pic.Opaque(x, y)) {
                    EXPECT_EQ(pic.At(x, y) == kGrey, OnOutline(pic, x, y)) << x << "," << y;
                }
            }
        }
    }
}

TEST_P(LampIcon, ShowsItsLampColourAroundTheMiddle)
{
    for (const Picture& pic : Images()) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        // Points between the central half, where the X goes, and the rim.
        EXPECT_EQ(pic.At(n / 2, n / 4 - 1), GetParam().lamp);
        EXPECT_EQ(pic.At(n / 2, n - n / 4), GetParam().lamp);
        EXPECT_EQ(pic.At(n / 4 - 1, n / 2), GetParam().lamp);
        EXPECT_EQ(pic.At(n - n / 4, n / 2), GetParam().lamp);
        EXPECT_EQ(pic.At(n / 2, n / 2), GetParam().bCrossed ? kBlack : GetParam().lamp);
        EXPECT_EQ(pic.At(n / 2 - 1, n / 2 - 1), GetParam().bCrossed ? kBlack : GetParam().lamp);
    }
}

TEST_P(LampIcon, IsCrossedOutExactlyWhenNoPortIsConnected)
{
    for (const Picture& pic : Images()) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        int nBlack = 0;
        for (int y = 0; y < n; ++y) {
            for (int x = 0; x < n; ++x) {
                if (!pic.Opaque(x, y) || !(pic.At(x, y) == kBlack))
                    continue;
                ++nBlack;
                EXPECT_TRUE(x >= n / 4 && x < n - n / 4 && y >= n / 4 && y < n - n / 4)
                    << "black outside the central half at " << x << "," << y;
            }
        }
        if (!GetParam().bCrossed) {
            EXPECT_EQ(nBlack, 0);
            continue;
        }
        // Both diagonals, corner to corner of the central half.
        for (int k = n / 4; k < n - n / 4; ++k) {
            EXPECT_EQ(pic.At(k, k), kBlack) << k;
            EXPECT_EQ(pic.At(n - 1 - k, k), kBlack) << k;
        }
        // Where the strokes are apart, each is one run of black about 3 px wide at 32 px and
        // proportionally narrower below; a diagonal run of length L is L / sqrt 2 wide.
        const int y = 3 * n / 8 - 1;
        std::vector<int> runs;
        for (int x = 0; x < n; ++x) {
            const bool bInk = pic.At(x, y) == kBlack && pic.Opaque(x, y);
            const bool bWasInk = x > 0 && pic.At(x - 1, y) == kBlack && pic.Opaque(x - 1, y);
            if (bInk && !bWasInk)
                runs.push_back(0);
            if (bInk)
                ++runs.back();
        }
        ASSERT_EQ(runs.size(), 2u) << "row " << y;
        EXPECT_EQ(runs[0], runs[1]);
        EXPECT_NEAR(runs[0] / std::sqrt(2.0), 3.0 * n / 32, 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Tray, LampIcon,
                         testing::Values(LampCase{"LampOn.ico", kBrightGreen, false},
                                         LampCase{"LampOff.ico", kDarkGreen, false},
                                         LampCase{"LampOnNoPort.ico", kBrightGreen, true},
                                         LampCase{"LampOffNoPort.ico", kDarkGreen, true}));

bool IsBrightGreen(Colour c) { return c.g > 200 && c.r < 80 && c.b < 80; }
bool IsDarkerGreen(Colour c) { return c.g >= 80 && c.g <= 170 && c.r < 60 && c.b < 60; }
bool IsDarkInk(Colour c) { return c.r < 80 && c.g < 80 && c.b < 80; }
bool IsLightInk(Colour c) { return c.r > 200 && c.g > 200 && c.b > 200; }

TEST(AppIcon, IsOpaqueWithADarkOutline)
{
    for (const Picture& pic : LoadIcon("Lumidot.ico")) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                EXPECT_TRUE(pic.Opaque(x, y)) << x << "," << y;
        for (int k = 0; k < n; ++k) {
            EXPECT_TRUE(IsDarkInk(pic.At(k, 0))) << k;
            EXPECT_TRUE(IsDarkInk(pic.At(k, n - 1))) << k;
            EXPECT_TRUE(IsDarkInk(pic.At(0, k))) << k;
            EXPECT_TRUE(IsDarkInk(pic.At(n - 1, k))) << k;
        }
        // Thin: across the middle row it is a pixel or two on either side.
        int nLeft = 0, nRight = 0;
        while (nLeft < n && IsDarkInk(pic.At(nLeft, n / 2)))
            ++nLeft;
        while (nRight < n && IsDarkInk(pic.At(n - 1 - nRight, n / 2)))
            ++nRight;
        EXPECT_LE(nLeft, n / 32 + 1);
        EXPECT_LE(nRight, n / 32 + 1);
    }
}

TEST(AppIcon, IsBrightOverDarkerGreenAcrossTheDiagonalWithALetterInEachHalf)
{
    for (const Picture& pic : LoadIcon("Lumidot.ico")) {
        const int n = pic.nSize;
        SCOPED_TRACE(n);
        // The halves, leaving out the outline and a pixel either side of the diagonal.
        int nUpper = 0, nUpperBright = 0, nUpperInk = 0;
        int nLower = 0, nLowerDark = 0, nLowerInk = 0;
        for (int y = n / 16 + 1; y < n - n / 16 - 1; ++y) {
            for (int x = n / 16 + 1; x < n - n / 16 - 1; ++x) {
                const Colour c = pic.At(x, y);
                if (x + y < n - 2) {
                    ++nUpper;
                    nUpperBright += IsBrightGreen(c);
                    nUpperInk += IsDarkInk(c);
                    EXPECT_FALSE(IsDarkerGreen(c) || IsLightInk(c)) << x << "," << y;
                } else if (x + y > n) {
                    ++nLower;
                    nLowerDark += IsDarkerGreen(c);
                    nLowerInk += IsLightInk(c);
                    EXPECT_FALSE(IsBrightGreen(c) || IsDarkInk(c)) << x << "," << y;
                }
            }
        }
        EXPECT_GT(nUpperBright, nUpper * 2 / 3);
        EXPECT_GT(nLowerDark, nLower * 2 / 3);
        // Each letter: a fair number of pixels, in ink that stands out from its half.
        EXPECT_GE(nUpperInk, n / 2);
        EXPECT_GE(nLowerInk, n / 2);
        EXPECT_EQ(nUpperInk + nUpperBright, nUpper);
        EXPECT_EQ(nLowerInk + nLowerDark, nLower);
    }
}

TEST(IconFiles, AreWhatTheGeneratorWritesToday)
{
    const fs::path dir =
        fs::temp_directory_path() / ("lumidot-icons-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::string command = std::string("\"") + LUMIDOT_ICONGEN + "\" \"" + dir.string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name :
         {"Lumidot.ico", "LampOn.ico", "LampOff.ico", "LampOnNoPort.ico", "LampOffNoPort.ico"}) {
        // A mismatch means the drawing changed without regenerating res/icons.
        EXPECT_TRUE(ReadFile(dir / name) == ReadFile(kIconDir / name)) << name;
    }
    fs::remove_all(dir);
}

}  // namespace
