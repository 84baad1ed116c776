// Draws Lumidot's five icons and writes them as .ico files into the given folder. The output is the
// same bytes on every run, and a unit test compares it with the committed files, so after changing
// the drawing regenerate them with
//
//     build/native/tools/icongen/icongen res/icons
//
// The four lamps are 16-colour images: the tray shows them at the small-icon size (16 px at 100 %
// up to 32 px at 200 %), so each lamp group has a hand-fitted image for every one of those sizes
// rather than leaving Windows to shrink the 32 px one.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// The standard 16-colour palette, in its usual order.
// clang-format off
const Rgb kPalette16[16] = {
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
};
// clang-format on

enum : std::uint8_t { kBlack = 0, kDarkGreen = 2, kGrey = 8, kBrightGreen = 10 };

// One image of an icon group. A 4-bit image holds palette indexes in `pixels`, a 32-bit one
// 0xAARRGGBB. Rows run top to bottom here; the file stores them bottom-up.
struct Image {
    int nSize = 0;
    int nBitCount = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<bool> transparent;

    Image(int size, int bitCount)
        : nSize(size), nBitCount(bitCount), pixels(size * size), transparent(size * size)
    {
    }
    std::uint32_t& At(int x, int y) { return pixels[y * nSize + x]; }
};

// How far a pixel's centre lies from the centre of an n x n image, along one axis.
double CentreOffset(int i, int n) { return i + 0.5 - n / 2.0; }

bool InDisc(int x, int y, int n)
{
    if (x < 0 || y < 0 || x >= n || y >= n)
        return false;
    const double dx = CentreOffset(x, n), dy = CentreOffset(y, n);
    const double r = n / 2.0;
    return dx * dx + dy * dy <= r * r;
}

// The X across the central half of the image, with strokes 3 px wide at 32 px and proportionally
// narrower below (2 px at 16 px).
bool InCross(int x, int y, int n)
{
    const double dx = CentreOffset(x, n), dy = CentreOffset(y, n);
    if (dx < -n / 4.0 || dx > n / 4.0 || dy < -n / 4.0 || dy > n / 4.0)
        return false;
    const double halfWidth = 1.5 * n / 32.0;
    // |dx - dy| / sqrt 2 is the distance from the falling diagonal, |dx + dy| / sqrt 2 from the
    // rising one.
    auto near = [&](double d) { return std::fabs(d) / std::sqrt(2.0) <= halfWidth; };
    return near(dx - dy) || near(dx + dy);
}

Image DrawLamp(int n, std::uint8_t lampColour, bool bCrossed)
{
    Image img(n, 4);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            std::uint32_t& px = img.At(x, y);
            if (!InDisc(x, y, n)) {
                // Black under a set mask bit leaves the screen untouched; any other colour would
                // tint it.
                px = kBlack;
                img.transparent[y * n + x] = true;
            } else if (!InDisc(x - 1, y, n) || !InDisc(x + 1, y, n) || !InDisc(x, y - 1, n) ||
                       !InDisc(x, y + 1, n)) {
                px = kGrey;
            } else if (bCrossed && InCross(x, y, n)) {
                px = kBlack;
            } else {
                px = lampColour;
            }
        }
    }
    return img;
}

// Hand-drawn glyphs for the application icon: '#' is ink. The small ones are for 16 px, the large
// ones for 32 px and, doubled, for 64 px.
using Glyph = std::vector<const char*>;

// clang-format off
const Glyph kHiraganaASmall = {
    "..#....",
    "#####..",
    "..#.#..",
    "..####.",
    ".##...#",
    "#.#..#.",
    ".##.#..",
};
const Glyph kLatinASmall = {
    "..#..",
    ".#.#.",
    ".#.#.",
    "#...#",
    "#####",
    "#...#",
    "#...#",
};
const Glyph kHiraganaALarge = {
    "....#.......",
    "....#.......",
    ".#######....",
    "....#.......",
    "....#..#....",
    "....#.####..",
    "....##....#.",
    "....#.....#.",
    "...##.....#.",
    "..#.#.....#.",
    ".#..#....#..",
    "..##...##...",
};
const Glyph kLatinALarge = {
    ".....#.....",
    "....#.#....",
    "....#.#....",
    "...#...#...",
    "...#...#...",
    "..#.....#..",
    "..#######..",
    ".#.......#.",
    ".#.......#.",
    "#.........#",
    "#.........#",
};
// clang-format on

std::uint32_t Argb(Rgb c)
{
    return 0xFF000000u | std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b;
}

void Stamp(Image& img, const Glyph& glyph, int nScale, int left, int top, Rgb ink)
{
    for (std::size_t gy = 0; gy < glyph.size(); ++gy)
        for (std::size_t gx = 0; glyph[gy][gx]; ++gx)
            if (glyph[gy][gx] == '#')
                for (int sy = 0; sy < nScale; ++sy)
                    for (int sx = 0; sx < nScale; ++sx)
                        img.At(left + int(gx) * nScale + sx, top + int(gy) * nScale + sy) =
                            Argb(ink);
}

Image DrawAppIcon(int n)
{
    const Rgb kOutline = {16, 48, 16};
    const Rgb kUpper = {0, 255, 0};
    const Rgb kLower = {0, 128, 0};
    const Rgb kDiagonal = {0, 192, 0};
    const Rgb kUpperInk = {0, 0, 0};
    const Rgb kLowerInk = {255, 255, 255};

    Image img(n, 32);
    // From 64 px up the outline and the glyphs grow with the icon.
    const int nScale = n >= 64 ? n / 32 : 1;
    const int nBorder = nScale;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            const bool bEdge = x < nBorder || y < nBorder || x >= n - nBorder || y >= n - nBorder;
            const int d = x + y - (n - 1);
            img.At(x, y) = Argb(bEdge ? kOutline : d < 0 ? kUpper : d > 0 ? kLower : kDiagonal);
        }
    }

    const bool bSmall = n < 32;
    const Glyph& hira = bSmall ? kHiraganaASmall : kHiraganaALarge;
    const Glyph& latin = bSmall ? kLatinASmall : kLatinALarge;
    const int nMargin = nBorder + (bSmall ? 1 : 2 * nScale);
    const int nLatinWidth = int(std::string(latin[0]).size()) * nScale;
    const int nLatinHeight = int(latin.size()) * nScale;
    Stamp(img, hira, nScale, nMargin, nMargin, kUpperInk);
    Stamp(img, latin, nScale, n - nMargin - nLatinWidth, n - nMargin - nLatinHeight, kLowerInk);
    return img;
}

void Put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// BITMAPINFOHEADER, palette, colour bitmap and AND mask of one image. The header's height counts
// both bitmaps, hence twice the image height.
std::vector<std::uint8_t> EncodeImage(const Image& img)
{
    const int n = img.nSize;
    const int nXorStride = (n * img.nBitCount + 31) / 32 * 4;
    const int nAndStride = (n + 31) / 32 * 4;
    std::vector<std::uint8_t> out;
    Put32(out, 40);
    Put32(out, std::uint32_t(n));
    Put32(out, std::uint32_t(2 * n));
    Put16(out, 1);
    Put16(out, unsigned(img.nBitCount));
    Put32(out, 0);  // BI_RGB
    Put32(out, std::uint32_t((nXorStride + nAndStride) * n));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);

    if (img.nBitCount == 4) {
        for (const Rgb& c : kPalette16) {
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
            out.push_back(0);
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(nXorStride);
        for (int x = 0; x < n; ++x) {
            const std::uint32_t px = img.pixels[y * n + x];
            if (img.nBitCount == 4)
                row[x / 2] |= std::uint8_t(x % 2 ? px : px << 4);
            else
                for (int i = 0; i < 4; ++i)
                    row[4 * x + i] = std::uint8_t(px >> (8 * i));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(nAndStride);
        for (int x = 0; x < n; ++x)
            if (img.transparent[y * n + x])
                row[x / 8] |= std::uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<std::uint8_t> EncodeIcon(const std::vector<Image>& images)
{
    std::vector<std::vector<std::uint8_t>> encoded;
    for (const Image& img : images)
        encoded.push_back(EncodeImage(img));

    std::vector<std::uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // icon, not cursor
    Put16(out, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Image& img = images[i];
        out.push_back(std::uint8_t(img.nSize));
        out.push_back(std::uint8_t(img.nSize));
        out.push_back(img.nBitCount == 4 ? 16 : 0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, unsigned(img.nBitCount));
        Put32(out, std::uint32_t(encoded[i].size()));
        Put32(out, offset);
        offset += std::uint32_t(encoded[i].size());
    }
    for (const auto& bytes : encoded)
        out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// PNG, for the Linux desktop's icon theme: 8-bit RGBA, the pixels in stored (uncompressed) deflate
// blocks, which every reader takes and which need no compression library.
std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data)
{
    PutBe32(out, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBe32(out, Crc32(typed.data(), typed.size()));
}

std::vector<std::uint8_t> EncodePng(const Image& img)
{
    std::vector<std::uint8_t> raw;  // each row: filter type 0, then RGBA
    for (int y = 0; y < img.nSize; ++y) {
        raw.push_back(0);
        for (int x = 0; x < img.nSize; ++x) {
            const std::uint32_t argb = img.pixels[y * img.nSize + x];
            for (int shift : {16, 8, 0, 24})
                raw.push_back(static_cast<std::uint8_t>(argb >> shift));
        }
    }
    std::vector<std::uint8_t> zlib = {0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        zlib.push_back(at + n >= raw.size() ? 1 : 0);
        Put16(zlib, static_cast<unsigned>(n));
        Put16(zlib, static_cast<unsigned>(~n & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                    raw.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    PutBe32(zlib, (b << 16) | a);

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBe32(header, static_cast<std::uint32_t>(img.nSize));
    PutBe32(header, static_cast<std::uint32_t>(img.nSize));
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter, no interlace
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

// The application icon drawn to scale: the 64 px picture as SVG shapes, each glyph pixel a square,
// so it stays crisp at any size.
std::string AppIconSvg()
{
    const int n = 64, nScale = 2, nBorder = 2, nMargin = nBorder + 2 * nScale;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" "
                      "viewBox=\"0 0 64 64\">\n"
                      "<rect width=\"64\" height=\"64\" fill=\"#103010\"/>\n"
                      "<path d=\"M2 2H62L2 62Z\" fill=\"#00ff00\"/>\n"
                      "<path d=\"M62 2V62H2Z\" fill=\"#008000\"/>\n";
    // Each row's runs of ink as one rectangle; crisp edges, or the squares' antialiased rims would
    // show as a grid.
    auto stamp = [&](const Glyph& glyph, int left, int top, const char* pszInk) {
        svg += std::string("<path shape-rendering=\"crispEdges\" fill=\"") + pszInk + "\" d=\"";
        for (std::size_t gy = 0; gy < glyph.size(); ++gy) {
            const std::string row = glyph[gy];
            for (std::size_t gx = 0; gx < row.size(); ++gx) {
                if (row[gx] != '#')
                    continue;
                std::size_t nRun = row.find_first_not_of('#', gx);
                nRun = (nRun == std::string::npos ? row.size() : nRun) - gx;
                svg += "M" + std::to_string(left + int(gx) * nScale) + " " +
                       std::to_string(top + int(gy) * nScale) + "h" +
                       std::to_string(int(nRun) * nScale) + "v2h-" +
                       std::to_string(int(nRun) * nScale) + "z";
                gx += nRun - 1;
            }
        }
        svg += "\"/>\n";
    };
    const int nLatinWidth = int(std::string(kLatinALarge[0]).size()) * nScale;
    const int nLatinHeight = int(kLatinALarge.size()) * nScale;
    stamp(kHiraganaALarge, nMargin, nMargin, "#000000");
    stamp(kLatinALarge, n - nMargin - nLatinWidth, n - nMargin - nLatinHeight, "#ffffff");
    return svg + "</svg>\n";
}

std::vector<Image> LampGroup(std::uint8_t lampColour, bool bCrossed)
{
    std::vector<Image> images;
    for (int n : {32, 24, 20, 16})
        images.push_back(DrawLamp(n, lampColour, bCrossed));
    return images;
}

}  // namespace

int main(int argc, char** argv)
{
    // The application icon as a PNG of one size, for the Linux desktop's icon theme.
    if (argc == 4 && std::string(argv[1]) == "--app-png")
        return WriteFile(argv[3], EncodePng(DrawAppIcon(std::atoi(argv[2])))) ? 0 : 1;
    // ... and drawn to scale.
    if (argc == 3 && std::string(argv[1]) == "--app-svg") {
        const std::string svg = AppIconSvg();
        return WriteFile(argv[2], std::vector<std::uint8_t>(svg.begin(), svg.end())) ? 0 : 1;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen <output folder> | icongen --app-png <size> <file> | "
                             "icongen --app-svg <file>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool bOk = WriteFile(dir + "Lumidot.ico",
                         EncodeIcon({DrawAppIcon(64), DrawAppIcon(32), DrawAppIcon(16)}));
    bOk &= WriteFile(dir + "LampOn.ico", EncodeIcon(LampGroup(kBrightGreen, false)));
    bOk &= WriteFile(dir + "LampOff.ico", EncodeIcon(LampGroup(kDarkGreen, false)));
    bOk &= WriteFile(dir + "LampOnNoPort.ico", EncodeIcon(LampGroup(kBrightGreen, true)));
    bOk &= WriteFile(dir + "LampOffNoPort.ico", EncodeIcon(LampGroup(kDarkGreen, true)));
    return bOk ? 0 : 1;
}
