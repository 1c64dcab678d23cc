// An instrument of a tune source: its recipe lines rendered into a sample
// and the XM instrument fields around it.
#pragma once
#include <string>
#include <vector>

#include "tools/tune_words.h"
#include "tools/xm_builder.h"

namespace tune {

struct InstrumentSource {
    std::string name;
    int line = 0;
    std::vector<Line> lines;
};

// Appends the instrument to `xm`; throws SourceError on a bad line.
void buildInstrument(const InstrumentSource& source, XmBuilder& xm);

}  // namespace tune
