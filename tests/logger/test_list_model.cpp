#include "logger/ListTableModel.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <string>

TEST(ListTableModel, GridNumberingWithTheHeaderAsRowZero) {
    ListTableModel m; // a new list window's grid: 8 columns, 2 rows
    EXPECT_EQ(m.gridColumnCount(), 8);
    EXPECT_EQ(m.gridRowCount(), 2);
    EXPECT_EQ(m.rowCount(), 1);
    m.setRow(0, {"No", "Date", "Time", "ppm", "%RH", "Temp", "", ""});
    m.setRow(1, {"1", "14/03/2026", "09:26:53", "401", "50.0", "25.0"});
    EXPECT_EQ(m.headerData(3, Qt::Horizontal).toString(), "ppm");
    EXPECT_EQ(m.data(m.index(0, 4)).toString(), "50.0");
    EXPECT_EQ(m.cell(1, 0), "1");
    EXPECT_EQ(m.cell(1, 6), ""); // missing cells are empty
    EXPECT_EQ(m.cell(5, 0), ""); // outside the grid
    EXPECT_EQ(m.cell(1, 8), "");

    m.setCell(1, 3, QString::fromUtf8(" -OL"));
    m.setCell(1, 7,
              QString::fromUtf8("\xC2\xB0"
                                "C \xE2\x82\xAC"));
    EXPECT_EQ(m.cell(1, 3), " -OL");
    EXPECT_EQ(m.cell(1, 7), QString::fromUtf8("\xC2\xB0"
                                              "C \xE2\x82\xAC"));
    EXPECT_EQ(m.cell(1, 2), "09:26:53"); // the rest of the row is kept

    // Cells past the last column are not kept.
    m.appendRow({"2", "a", "b", "c", "d", "e", "f", "g", "h", "i"});
    EXPECT_EQ(m.gridRowCount(), 3);
    EXPECT_EQ(m.cell(2, 7), "g");
    EXPECT_EQ(m.cell(2, 8), "");

    m.setGridRowCount(10);
    EXPECT_EQ(m.cell(9, 1), "");
    m.setCell(9, 1, "late");
    EXPECT_EQ(m.cell(9, 1), "late");
    m.setGridRowCount(0); // the header row always stays
    EXPECT_EQ(m.gridRowCount(), 1);
    EXPECT_EQ(m.cell(0, 1), "Date");
}

TEST(ListTableModel, ViewsHearOfChanges) {
    ListTableModel m;
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    QSignalSpy header(&m, &QAbstractItemModel::headerDataChanged);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.appendRow({"1"});
    m.setCell(1, 2, "x");
    m.setCell(0, 2, "Time");
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(header.count(), 1);

    // A fill tells the views once.
    m.beginFill();
    for (int i = 0; i < 100; ++i)
        m.appendRow({QString::number(i)});
    m.endFill();
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(m.rowCount(), 102); // grid rows 103: the header is not a view row
    EXPECT_EQ(m.cell(102, 0), "99");
}

TEST(ListTableModel, RewrittenRowsKeepTheirTextsThroughCompaction) {
    ListTableModel m(8, 1);
    for (int i = 0; i < 2000; ++i)
        m.appendRow({QString::number(i), "date", "time"});
    // Rewrite every row many times, enough to force the pool to be compacted.
    const std::string big(600, 'x');
    for (int round = 0; round < 5; ++round)
        for (int i = 1; i <= 2000; ++i)
            m.setCell(i, 4, QString::fromStdString(big) + QString::number(round));
    for (int i = 1; i <= 2000; i += 97) {
        EXPECT_EQ(m.cell(i, 0), QString::number(i - 1));
        EXPECT_EQ(m.cell(i, 4), QString::fromStdString(big) + "4");
    }
    EXPECT_LT(m.memoryUsed(), 6u * 2000 * 700);
}

TEST(ListTableModel, OverlongCellIsCutAtACharacterBoundary) {
    ListTableModel m;
    // 0xFFFF bytes would split the last two-byte character: it is dropped whole.
    std::string s(0xFFFE, 'a');
    s += "\xC3\xA9\xC3\xA9";
    const std::string_view cells[] = {s};
    m.setRowUtf8(1, cells);
    const QString back = m.cell(1, 0);
    EXPECT_EQ(back.size(), 0xFFFE);
    EXPECT_TRUE(back.endsWith('a'));
}
