#include "text/CodePageTables.h"

#include "text/Codepage.h"

namespace avatrix::codepage {

// Compiled in by the build (generator/CodePageTablesGen.cpp), straight from
// ICU's copies of the platform tables: nothing to build when a text is first
// converted, and only the parts a conversion touches are ever read in.
namespace tables {
extern const DoubleByteTables kGbk;
extern const DoubleByteTables kBig5;
}  // namespace tables

const DoubleByteTables* TablesFor(int codePage) {
    switch (codePage) {
        case kCodePageGbk:
            return &tables::kGbk;
        case kCodePageBig5:
            return &tables::kBig5;
        default:
            return nullptr;
    }
}

}  // namespace avatrix::codepage
