// Writes the fuzz targets' seed inputs into bench/fuzz-corpus/<target>/ (tools/fuzz.sh --seeds builds and
// runs it; the files are kept in the tree). Each seed is a small input the program really meets, built
// with the program's own layouts and writers: tables as the IP helper library fills them, process lists
// in both record layouts, black-list files, and tiny pictures in the pixel formats the decoder takes and
// refuses (drawn here, pixel by pixel).
#include "blacklist/BlackListFile.h"
#include "connections/ByteOrder.h"
#include "connections/TableDecode.h"
#include "processes/ProcessRecords.h"

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
std::filesystem::path corpus;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    std::filesystem::create_directories(corpus / target);
    std::ofstream(corpus / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Put(Bytes& bytes, size_t at, uint64_t value, size_t width) {
    if (bytes.size() < at + width)
        bytes.resize(at + width);
    for (size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Append32(Bytes& bytes, uint32_t value) { Put(bytes, bytes.size(), value, 4); }

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return HostToNetworkLong(uint32_t{a} << 24 | uint32_t{b} << 16 | uint32_t{c} << 8 | d);
}

uint32_t Port(uint16_t port) { return HostToNetworkShort(port); }

struct Row {
    uint32_t state, localAddr, localPort, remoteAddr, remotePort, pid;
};

// Selector, read flags and the previous read's size, the five call answers, then the table.
Bytes TableInput(int what, bool laterRead, uint16_t previous,
                 std::initializer_list<std::pair<uint8_t, uint16_t>> answers, uint32_t rowCount,
                 const std::vector<Row>& rows) {
    Bytes input{static_cast<uint8_t>(what), static_cast<uint8_t>(laterRead ? 1 : 0)};
    Put(input, 2, previous, 2);
    size_t at = 4;
    for (const auto& [status, size] : answers) {
        input.resize(at + 3);
        input[at] = status;
        Put(input, at + 1, size, 2);
        at += 3;
    }
    input.resize(19);
    Append32(input, rowCount);
    for (const Row& row : rows) {
        for (uint32_t field : {row.state, row.localAddr, row.localPort, row.remoteAddr, row.remotePort})
            Append32(input, field);
        if (what == 1)
            Append32(input, row.pid);
    }
    return input;
}

void TableSeeds() {
    const std::vector<Row> rows{
        {2, Address(0, 0, 0, 0), Port(135), Address(0, 0, 0, 0), 0, 4},
        {5, Address(127, 0, 0, 1), Port(49152), Address(127, 0, 0, 1), Port(5000), 1200},
        {11, Address(192, 0, 2, 10), Port(80) | 0xABCD0000u, Address(10, 1, 2, 3), Port(61000), 0x80000001u},
        {13, Address(255, 255, 255, 255), Port(65535), Address(1, 2, 3, 4), Port(1), 0},
    };
    const uint16_t plain = static_cast<uint16_t>(kTableHeaderBytes + rows.size() * kTcpRowBytes);
    const uint16_t withPids = static_cast<uint16_t>(kTableHeaderBytes + rows.size() * kTcpPidRowBytes);
    Write("table_decode", "plain-first-read", TableInput(0, false, 0, {{1, plain}, {0, 0}}, 4, rows));
    Write("table_decode", "pid-later-read", TableInput(1, true, withPids, {{0, 0}}, 4, rows));
    Write("table_decode", "pid-grows-twice",
          TableInput(1, false, 0, {{1, 28}, {1, 52}, {1, withPids}, {0, 0}}, 4, rows));
    Write("table_decode", "plain-fails", TableInput(0, true, 24, {{87, 0}}, 4, rows));
    Write("table_decode", "plain-rows-missing", TableInput(0, false, 0, {{1, plain}, {0, 0}}, 9, rows));
    Bytes counters{2};
    for (uint32_t value : {4u, 300u, 120000u, 0xFFFFFFFFu, 17u, 3u, 1u, 0u, 12u, 99999u, 88888u, 5u, 0u, 2u, 40u})
        Append32(counters, value);
    Write("table_decode", "statistics", counters);

    // The other tables: IPv6 TCP (a link-local pair with its scope, the unspecified listener), IPv4 UDP, IPv6 UDP
    // (an IPv4-mapped address); each first read sized, then read.
    const uint8_t linkLocal[16] = {0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const uint8_t unspecified[16] = {};
    const uint8_t mapped[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 192, 0, 2, 1};
    auto end6 = [](Bytes& table, const uint8_t(&address)[16], uint32_t scope, uint16_t port) {
        table.insert(table.end(), address, address + 16);
        Append32(table, HostToNetworkLong(scope));
        Append32(table, Port(port));
    };
    Bytes tcp6, udp, udp6;
    Append32(tcp6, 2);
    end6(tcp6, linkLocal, 7, 49152), end6(tcp6, linkLocal, 7, 443), Append32(tcp6, 5), Append32(tcp6, 1200);
    end6(tcp6, unspecified, 0, 80), end6(tcp6, unspecified, 0, 0), Append32(tcp6, 2), Append32(tcp6, 4);
    Append32(udp, 2);
    for (uint32_t field : {Address(0, 0, 0, 0), Port(53), 900u, Address(127, 0, 0, 1), Port(65535), 0x80000001u})
        Append32(udp, field);
    Append32(udp6, 2);
    end6(udp6, mapped, 0, 5353), Append32(udp6, 77), end6(udp6, linkLocal, 0x01020304u, 546), Append32(udp6, 78);
    const std::pair<const char*, const Bytes*> others[] = {{"tcp6", &tcp6}, {"udp", &udp}, {"udp6", &udp6}};
    for (int i = 0; i < 3; ++i) {
        const Bytes& rows = *others[i].second;
        Bytes input = TableInput(3 + i, false, 0, {{1, static_cast<uint16_t>(rows.size())}, {0, 0}}, 0, {});
        input.resize(19);
        input.insert(input.end(), rows.begin(), rows.end());
        Write("table_decode", std::string(others[i].first) + "-first-read", input);
    }
}

struct Process {
    uint32_t pid, parent;
    const char16_t* name;
};

// Each record is followed by its name, and the next record starts at an 8-byte boundary, as the system
// lays the list out; the name pointer is its offset in the buffer (the fuzz target's convention).
Bytes ProcessList(bool wide, uint32_t lookUp, const std::vector<Process>& processes, uint32_t lastNext = 0) {
    const ProcessRecordLayout& layout = wide ? kProcessRecords64 : kProcessRecords32;
    Bytes input{static_cast<uint8_t>(wide ? 1 : 0)};
    Put(input, 1, lookUp, 4);
    Bytes list;
    for (size_t i = 0; i < processes.size(); ++i) {
        const size_t at = list.size();
        const std::u16string name = processes[i].name;
        list.resize(at + layout.recordBytes + name.size() * 2);
        Put(list, at + layout.processId, processes[i].pid, layout.pointerBytes);
        Put(list, at + layout.parentId, processes[i].parent, layout.pointerBytes);
        Put(list, at + layout.nameLength, name.size() * 2, 2);
        Put(list, at + layout.nameBuffer, name.empty() ? 0 : at + layout.recordBytes, layout.pointerBytes);
        std::memcpy(list.data() + at + layout.recordBytes, name.data(), name.size() * 2);
        list.resize((list.size() + 7) & ~size_t{7});
        Put(list, at, i + 1 < processes.size() ? list.size() - at : lastNext, 4);
    }
    input.insert(input.end(), list.begin(), list.end());
    return input;
}

void ProcessSeeds() {
    const std::vector<Process> tree{{0, 0, u""},
                                    {4, 0, u"System"},
                                    {300, 4, u"explorer.exe"},
                                    {1200, 300, u"Pelloran.exe"},
                                    {1300, 1200, u"cmd.exe"},
                                    {1310, 1300, u"ping.exe"}};
    Write("process_records", "tree-32", ProcessList(false, 1200, tree));
    Write("process_records", "tree-64", ProcessList(true, 300, tree));
    // A parent id that was reused by a descendant, and a process that names itself as its parent.
    Write("process_records", "loops-64",
          ProcessList(true, 500, {{500, 700, u"a.exe"}, {600, 500, u"b.exe"}, {700, 600, u"c.exe"}, {8, 8, u"s"}}));
    // The last record points past the end of the buffer.
    Write("process_records", "leaves-buffer-32", ProcessList(false, 4, {{4, 0, u"System"}, {9, 4, u"x"}}, 4000));
}

void BlackListSeeds() {
    const std::string written = FormatBlackList({"ads.example.com", "192.0.2.10", "tracker net"});
    Write("blacklist_reader", "written", Bytes(written.begin(), written.end()));
    const std::string byHand = "<blacklist>\n\t<link>a.example</link>\n  <link>a.example</link>\r\n<link>b<c\n"
                               "no link here\n<link></link>\n<link>tail without end";
    Write("blacklist_reader", "by-hand", Bytes(byHand.begin(), byHand.end()));
}

// A PNG in memory through libpng's writer, with its IHDR as given.
Bytes EncodePng(int width, int height, int bitDepth, int colourType, bool interlaced, const std::vector<Bytes>& rows,
                const std::vector<png_color>& palette = {}, const Bytes& alphas = {}) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "libpng could not write a seed\n");
        std::exit(1);
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, size_t length) {
            auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colourType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!alphas.empty())
        png_set_tRNS(png, info, alphas.data(), static_cast<int>(alphas.size()), nullptr);
    std::vector<png_bytep> pointers;
    for (const Bytes& row : rows)
        pointers.push_back(const_cast<png_bytep>(row.data()));
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

void PngSeeds() {
    // A see-through corner, a half-transparent and two opaque pixels.
    Write("png_decode", "rgba-2x2",
          EncodePng(2, 2, 8, PNG_COLOR_TYPE_RGB_ALPHA, false,
                    {{0, 0, 0, 0, 255, 0, 0, 128}, {0, 128, 255, 255, 9, 9, 9, 255}}));
    // A 5x3 gradient, interlaced: every Adam7 pass has pixels.
    std::vector<Bytes> gradient;
    for (int y = 0; y < 3; ++y) {
        Bytes row;
        for (int x = 0; x < 5; ++x) {
            for (int value : {x * 60, y * 120, 255 - x * 50, x == y ? 0 : 200 + x * 10})
                row.push_back(static_cast<uint8_t>(value));
        }
        gradient.push_back(row);
    }
    Write("png_decode", "rgba-interlaced-5x3", EncodePng(5, 3, 8, PNG_COLOR_TYPE_RGB_ALPHA, true, gradient));
    // Two bits per pixel from a palette whose first entry is see-through: expands to RGBA.
    Write("png_decode", "palette-alpha-6x1",
          EncodePng(6, 1, 2, PNG_COLOR_TYPE_PALETTE, false, {{0b00011011, 0b11100000}},
                    {{255, 0, 255}, {0, 0, 0}, {40, 90, 200}, {255, 255, 255}}, {0, 255, 128}));
    // Formats that do not come out at 32 bits per pixel and are refused.
    Write("png_decode", "rgb-2x1", EncodePng(2, 1, 8, PNG_COLOR_TYPE_RGB, false, {{10, 20, 30, 40, 50, 60}}));
    Write("png_decode", "grey-alpha-2x1", EncodePng(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, false, {{10, 255, 200, 0}}));
    Write("png_decode", "rgba16-1x1",
          EncodePng(1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, false, {{1, 2, 3, 4, 5, 6, 255, 255}}));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR\n", argv[0]);
        return 2;
    }
    corpus = argv[1];
    TableSeeds();
    ProcessSeeds();
    BlackListSeeds();
    PngSeeds();
    return 0;
}
