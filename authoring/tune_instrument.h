// An instrument of a tune source: its recipe lines rendered into a sample
// and the XM instrument fields around it.
#pragma once
#include <string>
#include <vector>

#include "authoring/synth.h"
#include "authoring/tune_words.h"
#include "authoring/xm_builder.h"

namespace tune {

struct InstrumentSource {
    std::string name;
    int line = 0;
    std::vector<Line> lines;
};

// An instrument read from its lines, its sample not yet rendered.
struct InstrumentRecipe {
    Recipe recipe;
    XmBuilder::Instrument instrument;
    XmBuilder::Sample sample;
};

// Throws SourceError on a bad line.
InstrumentRecipe readInstrument(const InstrumentSource& source);
// Renders the sample and appends the instrument to `xm`.
void addInstrument(const InstrumentRecipe& read, XmBuilder& xm);

}  // namespace tune
