// Every shipped language file in the window, measured with each control's own font: no label's,
// button's or radio button's text is wider than its control, no label needs more lines than it
// has room for (the instructions included), and every control lies inside the window. Where a
// translation does not fit, the translation is shortened, never the layout. The list's headings
// fit their columns. Run also under QT_SCALE_FACTOR 1.5 and 2.
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QHeaderView>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "main_dialog.h"
#include "test_files.h"

using norvik::MainDialog;

namespace {

// What does not fit in one control, or nothing.
QString Overflow(QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    QStyle* style = widget->style();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        const QRect room = label->contentsRect();
        const QRect needed =
            metrics.boundingRect(room, Qt::TextWordWrap | label->alignment(), label->text());
        // In lines of this text, whose glyphs may come from a taller fallback font (CJK): one
        // line always shows, a second only where the label has room for it.
        const int line = std::max(1, metrics.boundingRect(label->text().left(1)).height());
        const int lines = (needed.height() + line / 2) / line;
        const int room_lines = std::max(1, room.height() / line);
        if (needed.width() > room.width() || lines > room_lines) {
            return QStringLiteral("needs %1 px and %2 lines, has %3 px and %4")
                .arg(needed.width())
                .arg(lines)
                .arg(room.width())
                .arg(room_lines);
        }
        return {};
    }
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (button == nullptr) {
        return {};
    }
    QStyleOptionButton option;
    option.initFrom(button);
    int beside = 0;
    if (qobject_cast<QRadioButton*>(button) != nullptr) {
        beside = style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, &option, button) +
                 style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, &option, button);
    } else {
        beside = 2 * (style->pixelMetric(QStyle::PM_ButtonMargin, &option, button) +
                      style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button));
    }
    const int needed = beside + metrics.horizontalAdvance(button->text());
    if (needed > button->width()) {
        return QStringLiteral("needs %1 px, has %2").arg(needed).arg(button->width());
    }
    return {};
}

}  // namespace

class TranslationsFitTest : public QObject {
    Q_OBJECT

private slots:
    void everyTextFitsItsControl_data() {
        QTest::addColumn<QString>("file");
        const QDir resources(QStringLiteral(NORVIK_RES_DIR));
        QTest::newRow("en") << resources.filePath("Language.ini");
        for (const QString& language : resources.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString file = resources.filePath(language + "/Language.ini");
            if (QFile::exists(file)) {
                QTest::newRow(language.toUtf8().constData()) << file;
            }
        }
    }

    void everyTextFitsItsControl() {
        QFETCH(QString, file);
        norvik::test::TemporaryDirectory directory;
        norvik::test::WriteFile(directory / "Language.ini",
                                norvik::test::ReadFile(file.toStdString()));
        norvik::ListLock lock("");
        MainDialog dialog(lock);
        {
            norvik::test::ScopedWorkingDirectory working_directory(directory.path());
            dialog.initialize();
        }
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        int measured = 0;
        QStringList faults;
        for (QWidget* widget : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!dialog.rect().contains(widget->geometry())) {
                faults << widget->objectName() + " lies outside the window";
            }
            const bool hasText = qobject_cast<QLabel*>(widget) != nullptr ||
                                 qobject_cast<QAbstractButton*>(widget) != nullptr;
            // The template's hidden controls (user name, password) are never shown.
            if (!hasText || widget->objectName().startsWith("UserName") ||
                widget->objectName().startsWith("Password")) {
                continue;
            }
            ++measured;
            const QString overflow = Overflow(widget);
            if (!overflow.isEmpty()) {
                const auto* label = qobject_cast<QLabel*>(widget);
                const auto* button = qobject_cast<QAbstractButton*>(widget);
                faults << QStringLiteral("%1 \"%2\": %3")
                              .arg(widget->objectName(), label ? label->text() : button->text(),
                                   overflow);
            }
        }
        QCOMPARE(measured, 15);
        // The list's headings inside their columns, the columns inside the list.
        auto* list = dialog.findChild<QTreeWidget*>("DeviceList");
        QVERIFY(list != nullptr);
        const QFontMetrics heading(list->header()->font());
        int columns = 0;
        for (int column = 1; column < 3; ++column) {
            const QString text = list->headerItem()->text(column);
            if (heading.horizontalAdvance(text) > list->header()->sectionSize(column)) {
                faults << QStringLiteral("heading \"%1\" is wider than its column").arg(text);
            }
            columns += list->header()->sectionSize(column);
        }
        if (columns > list->viewport()->width()) {
            faults << QStringLiteral("the columns are wider than the list");
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("\n")));
    }
};

QTEST_MAIN(TranslationsFitTest)
#include "translations_fit_test.moc"
