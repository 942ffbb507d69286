#pragma once

#include <QStringList>

// `tavtool follow FILE [--interval MS] [--idle S] [--values]`: reads FILE, then takes in
// what is appended to it with the viewer's own follow, printing one JSON line per update.
int runFollow(const QStringList& args);
