// The conversation between the test driver and pelloran_probe.dll, which the driver hooks into the program's GUI
// thread (WH_GETMESSAGE) because many control and menu messages carry pointers that only mean something inside the
// program. On its first call the probe opens a message-only window of class kWindowClass titled with the program's
// process id. The driver sends it WM_COPYDATA: dwData is the driver's own window, the data a request line
// "<verb> <arguments...>". The probe answers, before that SendMessage returns, with WM_COPYDATA to the driver's
// window: dwData 0 and the reply as one of the types below, or dwData 1 and an error text.
// Only "sync" travels another way: the driver posts kSyncMessage to the main window (wParam its window, lParam a
// number) and the probe answers with the number once the thread has taken every message posted before it.
//
// Both ends are built from these sources in one build, so a reply is the driver's own types written field by
// field (Wire): plain values as their bytes, texts and lists as a count and their items, records by their Fields().
#ifndef PELLORAN_E2E_PROBE_PROTOCOL_H
#define PELLORAN_E2E_PROBE_PROTOCOL_H

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace e2e {

namespace probe {
inline constexpr char kWindowClass[] = "Pelloran.E2e.Probe";
inline constexpr char kSyncMessage[] = "Pelloran.E2e.Sync";
inline constexpr char kHookProcName[] = "ProbeGetMessageProc";
// A command the program does not know, which "menu append" adds to the first pop-up of the bar.
inline constexpr unsigned kUnknownCommand = 40999;
} // namespace probe

using Rows = std::vector<std::vector<std::string>>;

// A window as "windows" and "controls <h>" report it.
struct Window {
    HWND handle = nullptr, parent = nullptr; // parent: the owner of a top-level window
    int id = 0;
    std::string cls, text;
    DWORD style = 0, exStyle = 0;
    bool visible = false, enabled = false;
    RECT rect{}; // screen
    // By class: Button {check}; Static {system icon name or ""}; ComboBox and ListBox {selection, rows...};
    // status bar {simple, part texts...}.
    std::vector<std::string> extra;
    auto Fields() { return std::tie(handle, parent, id, cls, text, style, exStyle, visible, enabled, rect, extra); }
};
struct Column {
    std::string title;
    int width = 0, format = 0, headerFormat = 0;
    RECT rect{}; // header client coordinates
    auto Fields() { return std::tie(title, width, format, headerFormat, rect); }
};
struct ListView {
    int count = 0, selected = -1; // count: all rows, not only those read
    DWORD exStyle = 0;
    HWND header = nullptr;
    SIZE client{};
    std::vector<Column> columns;
    Rows rows;               // cells
    std::vector<RECT> rects; // list client coordinates
    std::vector<std::string> Titles() const;
    std::vector<std::string> ColumnTexts(size_t column) const;
    auto Fields() { return std::tie(count, selected, exStyle, header, client, columns, rows, rects); }
};
struct ToolButton {
    int id = 0;
    bool separator = false, enabled = false, checked = false, pressed = false, hidden = false;
    RECT rect{}; // toolbar client coordinates
};
struct ToolBar {
    std::vector<HANDLE> imageLists; // normal, hot, disabled
    std::vector<ToolButton> buttons;
    const ToolButton& Button(int id) const;
    auto Fields() { return std::tie(imageLists, buttons); }
};
struct MenuItem {
    std::string text;
    UINT id = 0;
    bool separator = false, popup = false, enabled = true, checked = false, highlighted = false, ownerDrawn = false;
    std::vector<MenuItem> items;
    auto Fields() { return std::tie(text, id, separator, popup, enabled, checked, highlighted, ownerDrawn, items); }
};
using Menu = std::vector<MenuItem>;
struct ItemRect { // "menu rects": an item of the innermost open pop-up
    UINT id = 0;
    RECT rect{}; // screen
};

class Wire {
public:
    std::string bytes;
    bool reading = false;
    size_t at = 0;

    template <class T> void operator()(T& value) {
        if constexpr (std::is_trivially_copyable_v<T>) {
            Raw(&value, sizeof value);
        } else if constexpr (requires { value.Fields(); }) {
            std::apply([this](auto&... field) { ((*this)(field), ...); }, value.Fields());
        } else { // a text or a list
            auto count = static_cast<uint32_t>(value.size());
            Raw(&count, sizeof count);
            if (reading) {
                if (count > bytes.size() - at) // every item takes a byte at least
                    throw std::runtime_error("a reply that ends inside a list");
                value.resize(count);
            }
            if constexpr (std::is_trivially_copyable_v<typename T::value_type>)
                Raw(value.data(), count * sizeof(typename T::value_type));
            else
                for (auto& item : value)
                    (*this)(item);
        }
    }

private:
    void Raw(void* data, size_t size) {
        if (!reading) {
            bytes.append(static_cast<const char*>(data), size);
        } else if (bytes.size() - at < size) {
            throw std::runtime_error("a reply that ends inside a value");
        } else {
            std::memcpy(data, bytes.data() + at, size);
            at += size;
        }
    }
};

template <class T> std::string Encode(T value) {
    Wire wire;
    wire(value);
    return std::move(wire.bytes);
}

// A reply without bytes (a request that only acts) reads as an empty value.
template <class T> T Decode(std::string bytes) {
    Wire wire{std::move(bytes), true};
    T value{};
    if (wire.bytes.empty())
        return value;
    wire(value);
    if (wire.at != wire.bytes.size())
        throw std::runtime_error("a reply longer than its contents");
    return value;
}

} // namespace e2e

#endif
