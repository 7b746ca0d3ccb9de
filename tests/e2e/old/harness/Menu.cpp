// Menu report parsing and the driver side of the menu probe.
#include "Menu.h"
#include "Process.h"
#include "WindowInfo.h"

#include <sstream>

namespace e2e {

namespace {

std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

MenuItem ParseItem(const std::string& flags, UINT id, const std::string& text) {
    MenuItem item;
    item.text = Unescape(text);
    item.id = id;
    for (char flag : flags) {
        switch (flag) {
        case 'S':
            item.separator = true;
            break;
        case 'P':
            item.popup = true;
            break;
        case 'G':
        case 'D':
            item.enabled = false;
            break;
        case 'C':
            item.checked = true;
            break;
        case 'H':
            item.highlighted = true;
            break;
        case 'O':
            item.ownerDrawn = true;
            break;
        case '-':
            break;
        default:
            Fail("the probe reported an unreadable menu item (flags \"" + flags + "\")");
        }
    }
    return item;
}

void Describe(const Menu& menu, int depth, std::ostringstream& out) {
    for (const auto& item : menu) {
        out << std::string(depth * 4, ' ');
        if (item.separator)
            out << "----";
        else
            out << '"' << item.text << "\" " << item.id;
        out << (item.enabled ? "" : " disabled") << (item.checked ? " checked" : "")
            << (item.highlighted ? " highlighted" : "") << (item.ownerDrawn ? " owner-drawn" : "") << '\n';
        Describe(item.items, depth + 1, out);
    }
}

} // namespace

Menu ParseMenuReport(const std::string& report) {
    Menu root;
    std::vector<Menu*> levels{&root}; // levels[d] is where items of depth d go
    std::istringstream lines(report);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        const size_t first = line.find('\t');
        const size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
        const size_t third = second == std::string::npos ? second : line.find('\t', second + 1);
        if (third == std::string::npos)
            Fail("malformed probe line: " + line);
        const size_t depth = std::stoul(line.substr(0, first));
        const std::string flags = line.substr(first + 1, second - first - 1);
        const auto id = static_cast<UINT>(std::stoul(line.substr(second + 1, third - second - 1)));
        if (depth >= levels.size())
            Fail("probe line nested below no popup: " + line);
        levels.resize(depth + 1);
        levels[depth]->push_back(ParseItem(flags, id, line.substr(third + 1)));
        levels.push_back(&levels[depth]->back().items);
    }
    return root;
}

const MenuItem* FindMenuItem(const Menu& menu, UINT id) {
    for (const auto& item : menu) {
        if (!item.separator && !item.popup && item.id == id)
            return &item;
        if (const MenuItem* found = FindMenuItem(item.items, id))
            return found;
    }
    return nullptr;
}

std::string DescribeMenu(const Menu& menu) {
    std::ostringstream out;
    Describe(menu, 0, out);
    return out.str();
}

std::string ProbePath() { return DriverDirectory() + "\\pelloran_probe_old.dll"; }

MenuProbe::MenuProbe(HWND frame, DWORD processId, DWORD guiThreadId) : frame(frame) {
    message = RegisterWindowMessageA(probe::kRequestMessage);
    if (!message)
        FailWithLastError("RegisterWindowMessage");
    mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, probe::kReplyCapacity,
                                 probe::ReplyMappingName(processId).c_str());
    if (!mapping)
        FailWithLastError("cannot create the probe's reply memory");
    view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, probe::kReplyCapacity);
    done = CreateEventA(nullptr, FALSE, FALSE, probe::ReplyEventName(processId).c_str());
    if (!view || !done)
        FailWithLastError("cannot set up the probe's reply channel");

    const std::string path = ProbePath();
    module = LoadLibraryA(path.c_str());
    if (!module)
        FailWithLastError("cannot load " + path);
    const auto proc = reinterpret_cast<HOOKPROC>(GetProcAddress(module, probe::kHookProcName));
    if (!proc)
        Fail(path + " does not export " + probe::kHookProcName);
    hook = SetWindowsHookExA(WH_GETMESSAGE, proc, module, guiThreadId);
    if (!hook)
        FailWithLastError("cannot hook the probe into thread " + std::to_string(guiThreadId));
}

MenuProbe::~MenuProbe() {
    if (hook)
        UnhookWindowsHookEx(hook);
    if (module)
        FreeLibrary(module);
    if (view)
        UnmapViewOfFile(view);
    if (mapping)
        CloseHandle(mapping);
    if (done)
        CloseHandle(done);
}

std::string MenuProbe::Request(probe::Request kind, Milliseconds timeout) {
    const LONG id = ++sequence;
    Post(frame, message, kind, id);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto* header = static_cast<const volatile probe::ReplyHeader*>(view);
    for (;;) {
        const auto left = std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0 || WaitForSingleObject(done, static_cast<DWORD>(left.count())) != WAIT_OBJECT_0)
            Fail("the menu probe did not answer within " + std::to_string(timeout.count()) +
                 " ms (is the program hung, or could it not load " + ProbePath() + "?)");
        if (header->sequence == id)
            break; // an older request's late answer is skipped
    }
    if (header->status != 0)
        FailWithCode("the menu probe could not serve the request", static_cast<DWORD>(header->status));
    const auto* text = reinterpret_cast<const char*>(const_cast<const probe::ReplyHeader*>(header) + 1);
    return std::string(text, header->length);
}

} // namespace e2e
