#include "ui/win32/form_shot.hpp"

#include <commctrl.h>

#include <array>
#include <cstdlib>

#include "platform/atomic_file.hpp"

namespace tarvex::ui::win32 {

namespace {

void put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

std::uint32_t crc32(const std::string& data, std::size_t from) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < data.size(); ++i)
        c = table[(c ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void chunk(std::string& out, const char* type, const std::string& body) {
    put32(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t start = out.size();
    out += type;
    out += body;
    put32(out, crc32(out, start));
}

}  // namespace

std::string encodePng(int width, int height, const std::vector<std::uint8_t>& rgb) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    chunk(png, "IHDR", header);

    // The rows, each behind its filter byte, in stored deflate blocks.
    std::string raw;
    const auto stride = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height; ++y) {
        raw += '\0';
        raw.append(reinterpret_cast<const char*>(rgb.data()) + static_cast<std::size_t>(y) * stride, stride);
    }
    std::string z("\x78\x01", 2);
    std::uint32_t a = 1, b = 0;
    for (const char ch : raw) {
        a = (a + static_cast<unsigned char>(ch)) % 65521;
        b = (b + a) % 65521;
    }
    std::size_t pos = 0;
    do {
        const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z += static_cast<char>(last ? 1 : 0);
        z += static_cast<char>(n & 0xFF);
        z += static_cast<char>(n >> 8);
        z += static_cast<char>(~n & 0xFF);
        z += static_cast<char>((~n >> 8) & 0xFF);
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    put32(z, (b << 16) | a);
    chunk(png, "IDAT", z);
    chunk(png, "IEND", "");
    return png;
}

bool saveShot(const Win32Form& form, const std::string& name) { return saveShot(form.handle(), name); }

bool saveShot(HWND window, const std::string& name) {
    const char* dir = std::getenv("TARVEX_UI_SHOTS");
    if (!dir || !*dir) return false;
    pumpMessages();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages();
    GdiFlush();
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap && bits;
    if (ok) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != 0;
        GdiFlush();
        SelectObject(memory, old);
    }
    std::vector<std::uint8_t> rgb;
    if (ok) {
        const auto* px = static_cast<const std::uint8_t*>(bits);
        rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * static_cast<std::size_t>(height); ++i) {
            rgb.push_back(px[i * 4 + 2]);
            rgb.push_back(px[i * 4 + 1]);
            rgb.push_back(px[i * 4 + 0]);
        }
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) return false;
    try {
        CreateDirectoryA(dir, nullptr);
        platform::AtomicFileWriter file(std::string(dir) + "/" + name + ".png");
        file.write(encodePng(width, height, rgb));
        file.commit();
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

namespace {

// How far a row's label may stand off its row's middle.
constexpr int kRowTolerance = 4;

// The room a caption has inside its control, by the control's kind.
int textRoom(const forms::Control& c, int width) {
    switch (c.kind) {
        case forms::Kind::Button: return width - 6;
        case forms::Kind::CheckBox:
        case forms::Kind::RadioButton: return width - 18;
        case forms::Kind::RadioGroup:
        case forms::Kind::GroupBox: return width - 16;
        default: return width;
    }
}

SIZE textSize(HWND window, const std::string& ansi, int wrapWidth) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
    DrawTextA(dc, ansi.c_str(), static_cast<int>(ansi.size()), &r,
              DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string ansiText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

RECT clientRectOf(HWND form, HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace

std::vector<std::string> clippedControls(const Win32Form& form) {
    std::vector<std::string> found;
    RECT client;
    GetClientRect(form.handle(), &client);
    for (const auto& c : form.description().controls) {
        HWND window = form.control(c.name);
        if (!window || !IsWindowVisible(window)) continue;
        RECT r = clientRectOf(form.handle(), window);
        // A drop-down's window reaches into its list.
        if (c.kind == forms::Kind::ComboEdit || c.kind == forms::Kind::DropDownList) {
            r.bottom = r.top + static_cast<int>(SendMessageA(window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) + 6;
        }
        if (!inside(r, client)) found.push_back(c.name + ": outside the form");
        if (!c.group.empty()) {
            if (HWND box = form.control(c.group); box && !inside(r, clientRectOf(form.handle(), box)))
                found.push_back(c.name + ": outside its group " + c.group);
        }
        const int width = r.right - r.left, height = r.bottom - r.top;
        const bool captioned = c.kind == forms::Kind::Label || c.kind == forms::Kind::Button ||
                               c.kind == forms::Kind::CheckBox || c.kind == forms::Kind::RadioButton ||
                               c.kind == forms::Kind::RadioGroup ||
                               c.kind == forms::Kind::GroupBox;
        if (captioned) {
            const std::string text = ansiText(window);
            const bool wraps = c.kind == forms::Kind::Label && (c.flags & forms::Multiline);
            const SIZE size = textSize(window, text, wraps ? width : 0);
            if (!text.empty() && (size.cx > textRoom(c, width) || (c.kind != forms::Kind::RadioGroup &&
                                                                   c.kind != forms::Kind::GroupBox &&
                                                                   size.cy > height)))
                found.push_back(c.name + ": caption \"" + text + "\" cut (" + std::to_string(size.cx) + "x" +
                                std::to_string(size.cy) + " in " + std::to_string(width) + "x" +
                                std::to_string(height) + ")");
        }
        // A row's label stands on its row, as its list shows it.
        if (HWND list = c.row >= 0 ? form.control(c.rowOf) : nullptr) {
            const int rowHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
            const int first = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
            POINT row{0, (c.row - first) * rowHeight + rowHeight / 2};
            MapWindowPoints(list, form.handle(), &row, 1);
            const int off = (r.top + r.bottom) / 2 - row.y;
            if (off > kRowTolerance || off < -kRowTolerance)
                found.push_back(c.name + ": centre " + std::to_string(off) + " px off row " + std::to_string(c.row) +
                                " of " + c.rowOf);
        }
        // A report list's cells: each text within its column.
        if (c.kind == forms::Kind::ReportList) {
            const auto rows = static_cast<int>(SendMessageA(window, LVM_GETITEMCOUNT, 0, 0));
            for (int column = 0; column < static_cast<int>(c.columnWidths.size()); ++column) {
                const auto room = SendMessageA(window, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0);
                for (int row = 0; row < rows; ++row) {
                    char text[256] = {};
                    LVITEMA item{};
                    item.iSubItem = column;
                    item.pszText = text;
                    item.cchTextMax = sizeof(text);
                    SendMessageA(window, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
                    if (*text && SendMessageA(window, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)) + 6 > room)
                        found.push_back(c.name + ": cell cut: \"" + text + "\" in column " + std::to_string(column));
                }
            }
        }
        // Every tab whole in one row; the page shown checked as a form.
        if (c.kind == forms::Kind::TabControl) {
            const auto tabs = static_cast<int>(SendMessageA(window, TCM_GETITEMCOUNT, 0, 0));
            RECT last{};
            if (tabs > 0 && SendMessageA(window, TCM_GETITEMRECT, static_cast<WPARAM>(tabs - 1),
                                         reinterpret_cast<LPARAM>(&last)) &&
                last.right > width)
                found.push_back(c.name + ": tabs cut (" + std::to_string(last.right) + " in " + std::to_string(width) +
                                ")");
            for (int i = 0; const Win32Form* page = form.page(c.name, i); ++i)
                if (IsWindowVisible(page->handle()))
                    for (auto& fault : clippedControls(*page)) found.push_back(c.name + "/" + fault);
        }
        // Radio items: inside their box, their captions whole.
        for (int i = 0; HWND item = form.item(c.name, i); ++i) {
            if (!IsWindowVisible(item)) continue;
            const RECT ir = clientRectOf(form.handle(), item);
            const std::string label = c.name + "[" + std::to_string(i) + "]";
            if (!inside(ir, r)) found.push_back(label + ": outside its group");
            const std::string text = ansiText(item);
            const SIZE size = textSize(item, text, 0);
            if (size.cx > (ir.right - ir.left) - 18 || size.cy > ir.bottom - ir.top)
                found.push_back(label + ": caption \"" + text + "\" cut");
        }
    }
    return found;
}

}  // namespace tarvex::ui::win32
