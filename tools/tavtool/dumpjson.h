#pragma once

#include "toolsession.h"

#include <cstdio>

class SortedTavData;

// Writes the JSON object `tavtool dump` prints: status, messages, names, sampleCount, stamps,
// values (withValues only), spans, info, errors, systemEvents, userEvents. False when the
// output could not be written.
bool writeDumpJson(std::FILE* file, const SortedTavData& set, const InfoMessages& messages,
                   bool withValues);
