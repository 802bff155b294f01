// The "Event" list's load on any saved log, as the dialog does it: the file read through the
// file store with its bound, parsed, and each cell asked of the list's model as the view asks
// for the cells it shows. The oracle is the record format worked out here: the rows are the
// listable records among the first 100,000, in file order, and each cell's text is the one
// its record's bytes spell.
#include "fuzz_support.h"

#include "alarmlog/alarm_event_log.h"
#include "alarmlog/alarm_event_model.h"
#include "fakes/fake_file_store.h"

#include <algorithm>
#include <cstdio>
#include <string>

using namespace ostrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    test::FakeFileStore files;
    files.files["AlarmEvent.am"].assign(pData, pData + nSize);
    CAlarmEventModel model;
    model.SetRows(AlarmEventLog::Load(files));

    int nRow = 0;
    const size_t nRecords = std::min<size_t>(nSize, 1000000) / 10;
    for (size_t i = 0; i < nRecords; ++i) {
        const uint8_t* r = pData + i * 10;
        if (r[0] > 16 || r[2] > 100 || r[3] > 12 || r[4] > 31 || r[5] > 24 || r[6] > 59 || r[7] > 59)
            continue;
        FUZZ_CHECK(nRow < model.rowCount());
        char date[64];
        std::snprintf(date, sizeof date, "[ %d/%02d/%02d ] %02d:%02d:%02d", 1996 + r[2], r[3], r[4], r[5], r[6], r[7]);
        FUZZ_CHECK(model.data(model.index(nRow, 0)).toString().toStdString() == "CH" + std::to_string(r[0]));
        FUZZ_CHECK(model.data(model.index(nRow, 2)).toString().toStdString() == date);
        const std::string strType = model.data(model.index(nRow, 1)).toString().toStdString();
        FUZZ_CHECK(r[1] == 0 ? strType == "No Event" : !strType.empty() && strType[0] == ' ');
        FUZZ_CHECK(model.Rows()[static_cast<size_t>(nRow)].nRecord == i);
        ++nRow;
    }
    FUZZ_CHECK(nRow == model.rowCount());
    // Cells outside the table are empty, not read past the rows.
    FUZZ_CHECK(!model.data(model.index(nRow, 0)).isValid());
    return 0;
}
