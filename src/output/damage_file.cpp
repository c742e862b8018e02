#include "output/damage_file.h"

#include <mutex>

#include "output/messages.h"
#include "runtime/dir_search.h"
#include "runtime/files.h"
#include "runtime/io_result.h"

namespace output {

const char* const kDamageFileName = "tramox.damage";

void AppendDamageLines(const std::vector<std::string>& lines) {
    std::lock_guard<std::mutex> hold(OutputLock());
    rt::TextFile record;
    rt::Bind(record, kDamageFileName);
    if (rt::PathExists(kDamageFileName))
        rt::OpenAppend(record);
    else
        rt::CreateNew(record);
    rt::CheckStrict();
    for (const std::string& line : lines) {
        rt::WriteLine(record, line);
        rt::CheckStrict();
    }
    rt::Close(record);
    rt::CheckStrict();
}

}  // namespace output
