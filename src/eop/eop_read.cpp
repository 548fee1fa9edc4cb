// Reading an IERS Earth orientation series: the file or stream into memory,
// the layout told from the header (or from the first row, for finals2000A,
// which has none), then the rows one by one. The whole text is read first and
// walked line by line; nothing reads past the end of a line or of the text.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <istream>
#include <new>
#include <string>
#include <string_view>

#include "common/number_parse.hpp"
#include "common/file_stamp.hpp"
#include "common/text_lines.hpp"
#include "eop/eop_detail.hpp"

namespace varn {
namespace {

using detail::Lines;
using detail::skip_blanks;
using eop_detail::fail;

// A header line, in lower case, contains key.
bool header_has(std::string_view line, const char* key) {
    std::string lower(line);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find(key) != std::string::npos;
}

bool is_blank(std::string_view line) { return skip_blanks(line).empty(); }

// A data row starts, after any blanks, with a digit (a year); header lines
// never do.
bool is_data(std::string_view line) {
    const std::string_view t = skip_blanks(line);
    return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
}

EopStatus parse(std::string_view text, EopTable& table, const std::shared_ptr<const LeapTable>& leap) {
    table = EopTable{};
    table.leap = leap ? leap : builtin_leap_table();
    // The header: every line before the first data row. The layout is named
    // by the header's format line, and the nutation columns must be dX, dY
    // (the older series with dPsi, dEps are another quantity).
    Lines lines{text};
    std::string_view line;
    bool format14 = false, format20 = false, titles = false, header = false, have = false;
    while ((have = lines.next(line)) && !is_data(line)) {
        header = true;
        format14 = format14 || header_has(line, "format(3(i4),i7,");
        const bool hash = skip_blanks(line).substr(0, 1) == "#";
        format20 = format20 || (hash && header_has(line, "format(4(i4),f10.2,"));
        titles = titles || (line.find("dX") != line.npos && line.find("dY") != line.npos);
    }
    if (format20 && titles) {
        table.format = EopFormat::C04_20;
    } else if (format14 && titles) {
        table.format = EopFormat::C04_14;
    } else if (!header && have && line.size() >= 58 && (line[16] == 'I' || line[16] == 'P') &&
               (line[57] == 'I' || line[57] == 'P')) {
        table.format = EopFormat::Finals2000A;
    } else {
        return fail(table, EopError::Format, 0, "");
    }

    for (; have; have = lines.next(line)) {
        if (is_blank(line)) continue;
        eop_detail::Row r;
        eop_detail::RowReader rr;
        const eop_detail::LineResult result =
            table.format == EopFormat::Finals2000A
                ? eop_detail::read_finals_row(line, r, rr)
                : eop_detail::read_c04_row(line, table.format, r, rr);
        if (result == eop_detail::LineResult::Bad)
            return fail(table, EopError::Malformed, lines.number, rr.field);
        if (result == eop_detail::LineResult::End) break;
        const EopStatus status = eop_detail::append_row(table, r, lines.number);
        if (status.error != EopError::None) return status;
    }
    if (table.mjd.size() < eop_detail::STENCIL) return fail(table, EopError::TooFew, 0, "");
    return EopStatus{};
}

}  // namespace

EopStatus read_eop_text(const char* text, std::size_t size, EopTable& table,
                        const std::shared_ptr<const LeapTable>& leap) {
    try {
        return parse(std::string_view(text, size), table, leap);
    } catch (const std::bad_alloc&) {
        return fail(table, EopError::Memory, 0, "");
    }
}

EopStatus read_eop(std::istream& in, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap) {
    try {
        std::string text;
        char buf[1 << 16];
        while (in.read(buf, sizeof buf) || in.gcount() > 0)
            text.append(buf, static_cast<std::size_t>(in.gcount()));
        if (in.bad()) return fail(table, EopError::Open, 0, "");
        return read_eop_text(text.data(), text.size(), table, leap);
    } catch (const std::bad_alloc&) {
        return fail(table, EopError::Memory, 0, "");
    } catch (...) {
        return fail(table, EopError::Open, 0, "");  // a stream set to throw
    }
}

EopStatus read_eop(const std::string& path, EopTable& table,
                   const std::shared_ptr<const LeapTable>& leap) {
    std::FILE* f = detail::open_file(path.c_str(), "rb");  // a UTF-8 name on every platform
    if (!f) return fail(table, EopError::Open, 0, "", errno);
    std::string text;
    EopStatus status;
    try {
        char buf[1 << 16];
        while (const std::size_t got = std::fread(buf, 1, sizeof buf, f)) text.append(buf, got);
        // A directory opens but cannot be read (EISDIR).
        if (std::ferror(f)) status = fail(table, EopError::Open, 0, "", errno);
    } catch (const std::bad_alloc&) {
        status = fail(table, EopError::Memory, 0, "");
    }
    std::fclose(f);
    if (status.error != EopError::None) return status;
    return read_eop_text(text.data(), text.size(), table, leap);
}

}  // namespace varn
