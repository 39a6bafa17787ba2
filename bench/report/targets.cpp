// SPDX-License-Identifier: GPL-3.0-or-later
// The targets the record source and the program are held to.
#include "targets.h"

namespace rolvane::bench {

const std::vector<Target>& targets() {
    using M = Target::Metric;
    using L = Target::Limit;
    static const std::vector<Target> all = {
        {QStringLiteral("open + first row"), QStringLiteral("Open"), M::Time, L::RatioToFloor, 2.0},
        {QStringLiteral("open: 1e6 vs 1e3"), QStringLiteral("Open"), M::Time, L::FlatAcrossSizes,
         1.5, 1000000},
        {QStringLiteral("letter query"), QStringLiteral("Letter"), M::Time, L::RatioToFloor, 2.0},
        {QStringLiteral("search last name"), QStringLiteral("SearchLast"), M::Time, L::RatioToFloor,
         2.0},
        {QStringLiteral("search first+last"), QStringLiteral("SearchFirstLast"), M::Time,
         L::RatioToFloor, 2.0},
        {QStringLiteral("MoveNext median"), QStringLiteral("MoveNext"), M::MedianMove, L::AtMost,
         20e-6},
        {QStringLiteral("MovePrevious median"), QStringLiteral("MovePrevious"), M::MedianMove,
         L::AtMost, 20e-6},
        {QStringLiteral("MoveLast"), QStringLiteral("MoveLast"), M::Time, L::RatioToFloor, 1.5,
         1000000},
        {QStringLiteral("Update"), QStringLiteral("Update"), M::Time, L::RatioToFloor, 1.5,
         1000000},
        {QStringLiteral("Delete"), QStringLiteral("Delete"), M::Time, L::RatioToFloor, 1.5,
         1000000},
        {QStringLiteral("memory after MoveLast"), QStringLiteral("Memory"), M::Memory, L::AtMost,
         16.0, 1000000},
        {QStringLiteral("generate (collated index)"), QStringLiteral("Generate"), M::Time,
         L::RatioToFloor, 2.0, 1000000},
        {QStringLiteral("start to first contact"), QStringLiteral("Startup"), M::Time,
         L::RatioToFloor, 1.3, 1000000},
        {QStringLiteral("longest save wait, first sync"), QStringLiteral("SaveDuringSync"), M::Time,
         L::AtMost, 0.1},
        {QStringLiteral("start, linked book"), QStringLiteral("StartupLinked"), M::Time,
         L::RatioToFloor, 1.3, 1000000},
        {QStringLiteral("import vCard"), QStringLiteral("ImportVCard"), M::Time, L::RatioToFloor,
         2.0},
        {QStringLiteral("import CSV"), QStringLiteral("ImportCsv"), M::Time, L::RatioToFloor, 2.0},
        {QStringLiteral("import with duplicate skipping"), QStringLiteral("ImportDuplicatesVCard"),
         M::Time, L::RatioToFloor, 2.0},
        {QStringLiteral("export vCard"), QStringLiteral("ExportVCard"), M::Time, L::RatioToFloor,
         2.0},
        {QStringLiteral("export CSV"), QStringLiteral("ExportCsv"), M::Time, L::RatioToFloor, 2.0},
        {QStringLiteral("import vCard memory"), QStringLiteral("ImportVCard"), M::Memory,
         L::FlatAcrossSizes, 1.5, 1000000},
        {QStringLiteral("import CSV memory"), QStringLiteral("ImportCsv"), M::Memory,
         L::FlatAcrossSizes, 1.5, 1000000},
        {QStringLiteral("export vCard memory"), QStringLiteral("ExportVCard"), M::Memory,
         L::FlatAcrossSizes, 1.5, 1000000},
    };
    return all;
}

} // namespace rolvane::bench
