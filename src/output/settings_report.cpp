#include "output/settings_report.h"

#include <mutex>

#include "output/messages.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/io_result.h"
#include "settings/settings_file.h"

namespace output {

// The file as it stands on disk, line by line, as loading takes each line. The
// settings file lock keeps the writer at shutdown from replacing the file under the report.
void ReportSettings() {
    std::lock_guard<std::mutex> hold(settings::SettingsFileLock());
    if (!rt::PathExists(settings::kSettingsFileName)) return;
    WriteLogEntry("<U>Settings</U>", plain, false);
    rt::TextFile& file = settings::SettingsFile;
    rt::Bind(file, settings::kSettingsFileName);
    rt::OpenRead(file);
    rt::CheckStrict();
    bool atEnd = false;
    while (!atEnd) {  // the first line is always read: an empty file gives one empty entry
        std::string line = rt::ReadLine(file);
        rt::CheckStrict();
        WriteLongLogEntry(settings::LineAsRead(line), notice, false);
        atEnd = rt::AtEnd(file);
        rt::CheckStrict();
    }
    rt::Close(file);
    rt::CheckStrict();
}

}  // namespace output
