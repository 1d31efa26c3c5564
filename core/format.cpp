#include "core/format.hpp"

#include <cstdio>
#include <vector>

namespace tarvex {

namespace {

std::string pad(std::string body, int width, bool left) {
    if (width > 0 && static_cast<int>(body.size()) < width) {
        const std::string blanks(static_cast<std::size_t>(width) - body.size(), ' ');
        body = left ? body + blanks : blanks + body;
    }
    return body;
}

std::string digits(std::uint64_t v, unsigned base) {
    static const char hex[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), hex[v % base]);
        v /= base;
    } while (v);
    return s;
}

// Integers wider than 32 bits are rare in messages; a negative one that fits
// 32 bits shows in hex (and as %u) as its 32-bit pattern, so -1 reads
// FFFFFFFF whether it came from an int or a wider type.
std::string integerText(std::int64_t v, char type, int precision) {
    bool negative = false;
    std::string body;
    if (type == 'x') {
        const std::uint64_t u =
            (v < 0 && v >= INT32_MIN) ? static_cast<std::uint32_t>(v) : static_cast<std::uint64_t>(v);
        body = digits(u, 16);
    } else if (type == 'u') {
        const std::uint64_t u =
            (v < 0 && v >= INT32_MIN) ? static_cast<std::uint32_t>(v) : static_cast<std::uint64_t>(v);
        body = digits(u, 10);
    } else {
        negative = v < 0;
        body = digits(negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v), 10);
    }
    if (precision > static_cast<int>(body.size()))
        body.insert(0, static_cast<std::size_t>(precision) - body.size(), '0');
    return negative ? "-" + body : body;
}

std::string argText(const FormatArg& arg, char type, int precision) {
    const auto& v = arg.value();
    if (const auto* s = std::get_if<std::string>(&v)) {
        if (type == 's' && precision >= 0 && static_cast<std::size_t>(precision) < s->size())
            return s->substr(0, static_cast<std::size_t>(precision));
        return *s;  // a text where a number was expected stays readable
    }
    if (const auto* d = std::get_if<double>(&v)) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", precision >= 0 ? precision : 2, *d);
        return buf;
    }
    const std::int64_t i = std::get<std::int64_t>(v);
    if (type == 's') return integerText(i, 'd', -1);
    return integerText(i, type, precision);
}

}  // namespace

std::string FormatList(std::string_view format, std::initializer_list<FormatArg> argList) {
    const std::vector<const FormatArg*> args = [&] {
        std::vector<const FormatArg*> v;
        for (const auto& a : argList) v.push_back(&a);
        return v;
    }();
    std::string out;
    std::size_t next = 0;
    std::size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        const std::size_t start = i++;
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        auto number = [&](int& value) {
            bool any = false;
            value = 0;
            while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
                if (value < 10000) value = value * 10 + (format[i] - '0');
                ++i;
                any = true;
            }
            return any;
        };
        // Optional explicit argument index "%1:s".
        std::size_t save = i;
        int index = -1;
        if (number(index) && i < format.size() && format[i] == ':') {
            ++i;
            next = static_cast<std::size_t>(index);
        } else {
            i = save;
        }
        bool left = false;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        int width = 0;
        number(width);
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            number(precision);
        }
        if (i >= format.size()) {
            out.append(format.substr(start));
            break;
        }
        char type = format[i++];
        if (type >= 'A' && type <= 'Z') type = static_cast<char>(type - 'A' + 'a');
        if (type != 's' && type != 'd' && type != 'u' && type != 'x' && type != 'f' && type != 'g' &&
            type != 'n') {
            out.append(format.substr(start, i - start));  // not a placeholder we know: keep it
            continue;
        }
        if (next >= args.size()) {
            out.append(format.substr(start, i - start));  // missing argument: keep the placeholder
            continue;
        }
        const char kind = (type == 'f' || type == 'g' || type == 'n') ? 'd' : type;
        out += pad(argText(*args[next++], kind, precision), width, left);
    }
    return out;
}

}  // namespace tarvex
