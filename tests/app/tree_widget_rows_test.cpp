// The device list widget follows the list code's rows through bursts, Searches and the
// hand-over's bound, applied in batches as the window applies them.
#include "tree_widget_rows.h"

#include <QTest>
#include <QTreeWidget>

#include "qt_text.h"
#include "random_row_work.h"

namespace norvik {

class TreeWidgetRowsTest : public QObject {
    Q_OBJECT

private slots:
    void theWidgetEndsWithTheListCodesRows() {
        for (unsigned seed = 1; seed <= 3; ++seed) {
            ListLock lock("");
            RowHandover rows([] {});
            QTreeWidget widget;
            widget.setColumnCount(MemoryListView::kColumnCount);
            TreeWidgetRows control(&widget);
            RowFollower follower(rows, lock, control);
            test::FollowRandomWork(lock, rows, follower, test::RoundSizesPastTheBound(), seed);
            QVERIFY2(shownRows(widget) == test::AllRows(lock, rows),
                     qPrintable(QString("seed %1").arg(seed)));
        }
    }

    // A name's line feed would make every row as tall as its lines (the rows share the first
    // one's height); each control character shows as U+FFFD, the rest as it is.
    void aNameShowsOnOneLine() {
        QTreeWidget widget;
        widget.setColumnCount(MemoryListView::kColumnCount);
        TreeWidgetRows control(&widget);
        const std::u16string name =
            u"A\nB\rC\tD\x1b\x7f\x85"
            u"E\u2028F\u2029G\u200bH\u00e9";
        const QString shown = QString::fromUtf16(
            u"A\uFFFDB\uFFFDC\uFFFDD\uFFFD\uFFFD\uFFFDE"
            u"\uFFFDF\uFFFDG\u200bH\u00e9");
        control.InsertRow(0, u"1");
        control.SetText(0, 1, name);
        control.EndChanges();
        QCOMPARE(widget.topLevelItem(0)->text(1), shown);
        // Sorted rows come back whole.
        control.ReplaceAllRows({MemoryListView::Row{u"1", name, u"192.168.001.010"}});
        control.EndChanges();
        QCOMPARE(widget.topLevelItem(0)->text(1), shown);
    }

private:
    static std::vector<MemoryListView::Row> shownRows(const QTreeWidget& widget) {
        std::vector<MemoryListView::Row> shown;
        for (int item = 0; item < widget.topLevelItemCount(); ++item) {
            MemoryListView::Row row;
            for (int column = 0; column < MemoryListView::kColumnCount; ++column) {
                row[static_cast<std::size_t>(column)] =
                    fromQString(widget.topLevelItem(item)->text(column));
            }
            shown.push_back(row);
        }
        return shown;
    }
};

}  // namespace norvik

QTEST_MAIN(norvik::TreeWidgetRowsTest)
#include "tree_widget_rows_test.moc"
