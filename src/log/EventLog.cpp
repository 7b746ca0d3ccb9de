// CMainFrame's event-log flush: the pending events' lines are built under the data lock (the resolver
// appends host names meanwhile), then appended to the log file without it, so a slow disk never holds
// up the worker. The queue is emptied only when the lines are safely in the file.
#include "app/MainFrame.h"
#include "log/LogText.h"
#include "log/Win32TextFile.h"

#include <ctime>

void CMainFrame::FlushEventLog() {
    if (eventQueue.Empty())
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm local{};
    local.tm_mday = now.wDay;
    local.tm_mon = now.wMonth - 1;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    std::string lines;
    {
        std::lock_guard<std::mutex> hold(shared->lock);
        lines = BuildLogLines(eventQueue, shared->hostNameCache, FormatLogTimeStamp(local));
    }
    Win32TextFile file;
    if (AppendToLog(file, logFile, lines))
        eventQueue.Clear();
}
