// Copies tramox.ini, as it stands on disk, into the log under a "Settings" heading.
#pragma once

namespace output {

void ReportSettings();

}  // namespace output
