#pragma once

#include <QLoggingCategory>

// Notices and errors go through these categories, so that QT_LOGGING_RULES can select them
// (for example "netrova.dialup.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcStore)
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
Q_DECLARE_LOGGING_CATEGORY(lcDialup)
Q_DECLARE_LOGGING_CATEGORY(lcApp)

namespace netrova {

// Called first in main: a closed stderr (its reader gone) must not end the process at the next
// log line, nor a closed stdout a tool half-way through; the writes fail and are dropped.
void IgnoreBrokenPipes();

} // namespace netrova
