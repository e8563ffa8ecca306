// SPDX-License-Identifier: GPL-3.0-or-later
// The interface language: which one a start takes, and every window built in
// English, with no Chinese left on it and no text cut off or overlapping.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

#include "acquisition/meterfamily.h"
#include "monitor/monitorwindow.h"
#include "platform/language.h"
#include "platform/savedsettings.h"
#include "recording/recordingtable.h"
#include "shell/aboutdialog.h"
#include "shell/monitorfactory.h"
#include "shell/startscreen.h"
#include "support/fakeserialport.h"
#include "support/recordingservices.h"

using namespace mt;
using mt::test::FakeSerialPort;
using mt::test::RecordingServices;

namespace {

bool HasChinese(const QString& text) {
    static const QRegularExpression han(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
    return han.match(text).hasMatch();
}

// The texts a user reads on `window` and its children, each with where it is.
QStringList ChineseLeft(QWidget& window) {
    QStringList found;
    const auto check = [&](const QString& where, const QString& text) {
        if (HasChinese(text)) {
            found << where + QStringLiteral(": ") + text;
        }
    };
    check(QStringLiteral("title"), window.windowTitle());
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString where = w->objectName().isEmpty()
                                  ? QString::fromLatin1(w->metaObject()->className())
                                  : w->objectName();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            check(where, label->text());
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            check(where, button->text());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            check(where, box->title());
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < combo->count(); ++i) {
                check(where, combo->itemText(i));
            }
        } else if (auto* table = qobject_cast<QTableView*>(w)) {
            const QAbstractItemModel* model = table->model();
            for (int c = 0; model != nullptr && c < model->columnCount(); ++c) {
                check(where, model->headerData(c, Qt::Horizontal).toString());
            }
        }
        check(where + QStringLiteral(" (accessible name)"), w->accessibleName());
        for (QAction* action : w->actions()) {
            // The language menu names itself and Chinese in Chinese on purpose.
            if (action->text() != QStringLiteral("中文") &&
                !action->text().startsWith(QStringLiteral("语言 / "))) {
                check(where + QStringLiteral(" (action)"), action->text());
            }
        }
    }
    return found;
}

// Visible one-line labels and buttons whose text is wider than they are, and
// siblings in `frames` that overlap.
QStringList CutOrOverlapping(QWidget& window, const QList<QWidget*>& frames) {
    QStringList found;
    for (QLabel* label : window.findChildren<QLabel*>()) {
        const QString text = label->text();
        if (!label->isVisible() || label->wordWrap() || text.isEmpty() || text.contains('\n') ||
            Qt::mightBeRichText(text) || !label->pixmap().isNull()) {
            continue;
        }
        const int width = label->fontMetrics().horizontalAdvance(QString(text).remove('&'));
        if (width > label->contentsRect().width()) {
            found << QStringLiteral("%1 \"%2\" needs %3 px, has %4")
                         .arg(label->objectName(), text)
                         .arg(width)
                         .arg(label->contentsRect().width());
        }
    }
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        const QString text = QString(button->text()).remove('&');
        if (!button->isVisible() || text.isEmpty()) {
            continue;
        }
        const int width = button->fontMetrics().horizontalAdvance(text);
        if (width > button->width() - 4) {
            found << QStringLiteral("button \"%1\" needs %2 px, has %3")
                         .arg(text)
                         .arg(width)
                         .arg(button->width());
        }
    }
    for (QWidget* frame : frames) {
        const QList<QWidget*> children = frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* a : children) {
            for (QWidget* b : children) {
                if (a < b && a->isVisible() && b->isVisible() &&
                    a->geometry().intersects(b->geometry())) {
                    found << a->objectName() + QStringLiteral(" overlaps ") + b->objectName();
                }
            }
        }
    }
    return found;
}

// The windows a monitor opens from its menus, by the action's object name.
QWidget* OpenFromMenu(QWidget& monitor, const char* actionName) {
    auto* action = monitor.findChild<QAction*>(QLatin1String(actionName));
    if (action == nullptr) {
        return nullptr;
    }
    const QWidgetList before = QApplication::topLevelWidgets();
    action->trigger();
    QCoreApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!before.contains(w) && w->isVisible() && qobject_cast<QMenu*>(w) == nullptr) {
            return w;
        }
    }
    return nullptr;
}

}  // namespace

class TestLanguage : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { InstallLanguage(Language::Chinese); }

    // English for en and en_*, Chinese for everything else; LC_ALL before
    // LC_MESSAGES before LANG.
    void localeRule_data() {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<bool>("english");
        QTest::newRow("en_US.UTF-8") << ""
                                     << ""
                                     << "en_US.UTF-8" << true;
        QTest::newRow("en_GB") << ""
                               << ""
                               << "en_GB" << true;
        QTest::newRow("en") << ""
                            << ""
                            << "en" << true;
        QTest::newRow("en.UTF-8") << ""
                                  << ""
                                  << "en.UTF-8" << true;
        QTest::newRow("C") << ""
                           << ""
                           << "C" << false;
        QTest::newRow("C.UTF-8") << ""
                                 << ""
                                 << "C.UTF-8" << false;
        QTest::newRow("POSIX") << ""
                               << ""
                               << "POSIX" << false;
        QTest::newRow("nothing set") << ""
                                     << ""
                                     << "" << false;
        QTest::newRow("zh_CN.UTF-8") << ""
                                     << ""
                                     << "zh_CN.UTF-8" << false;
        QTest::newRow("de_DE") << ""
                               << ""
                               << "de_DE" << false;
        QTest::newRow("english is no locale") << ""
                                              << ""
                                              << "english" << false;
        QTest::newRow("LC_ALL=C over LANG=en") << "C"
                                               << ""
                                               << "en_US.UTF-8" << false;
        QTest::newRow("LC_MESSAGES=en over LANG=zh") << ""
                                                     << "en_US"
                                                     << "zh_CN" << true;
        QTest::newRow("LC_ALL=en over LC_MESSAGES=zh") << "en_IE"
                                                       << "zh_CN"
                                                       << "C" << true;
    }
    void localeRule() {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(bool, english);
        QCOMPARE(LanguageOfLocale(MessagesLocaleName(lcAll, lcMessages, lang)) == Language::English,
                 english);
    }

    // The language chosen in the menu wins over the locale; a broken saved
    // value is ignored and the locale decides.
    void chosenLanguage_data() {
        QTest::addColumn<QString>("saved");  // language=..., or empty for none
        QTest::addColumn<QByteArray>("lang");
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("ignored");
        QTest::newRow("none, English locale") << "" << QByteArray("en_US.UTF-8") << true << false;
        QTest::newRow("none, C locale") << "" << QByteArray("C") << false << false;
        QTest::newRow("zh over English locale")
            << "zh" << QByteArray("en_US.UTF-8") << false << false;
        QTest::newRow("en over C locale") << "en" << QByteArray("C") << true << false;
        QTest::newRow("unknown, English locale")
            << "fr" << QByteArray("en_US.UTF-8") << true << true;
        QTest::newRow("upper case is unknown") << "EN" << QByteArray("C") << false << true;
        QTest::newRow("empty") << "=" << QByteArray("C") << false << true;
    }
    void chosenLanguage() {
        QFETCH(QString, saved);
        QFETCH(QByteArray, lang);
        QFETCH(bool, english);
        QFETCH(bool, ignored);
        std::map<std::string, std::string> values;
        if (!saved.isEmpty()) {
            values[settings_key::kLanguage] =
                saved == QStringLiteral("=") ? "" : saved.toStdString();
        }
        std::vector<std::string> rejected;
        const SavedSettings settings = ReadSavedSettings(values, &rejected);
        QCOMPARE(!rejected.empty(), ignored);
        const QByteArray lcAll = qgetenv("LC_ALL");
        const QByteArray lcMessages = qgetenv("LC_MESSAGES");
        const QByteArray oldLang = qgetenv("LANG");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qputenv("LANG", lang);
        const Language language = StartLanguage(settings.language);
        qputenv("LC_ALL", lcAll);
        qputenv("LC_MESSAGES", lcMessages);
        qputenv("LANG", oldLang);
        QCOMPARE(language == Language::English, english);
    }

    // The English texts are built into the program, and Chinese takes them
    // out again: the Chinese interface needs no file.
    void installing() {
        QCOMPARE(AppTitle(), QStringLiteral("仪表测试"));
        QVERIFY(InstallLanguage(Language::English));
        QCOMPARE(CurrentLanguage(), Language::English);
        QCOMPARE(AppTitle(), QStringLiteral("MeterTest"));
        QCOMPARE(MeterFamilyName(MeterKind::DinRail), QStringLiteral("DIN-rail power meter"));
        QVERIFY(InstallLanguage(Language::Chinese));
        QCOMPARE(CurrentLanguage(), Language::Chinese);
        QCOMPARE(AppTitle(), QStringLiteral("仪表测试"));
        QCOMPARE(MeterFamilyName(MeterKind::DinRail), QStringLiteral("导轨式电力仪表"));
    }

    // A recording's columns follow the language, in the same number and
    // order; its values (numbers, the ISO time) do not change.
    void recordingFollowsTheLanguage_data() {
        QTest::addColumn<bool>("dinRail");
        QTest::newRow("panel-mount") << false;
        QTest::newRow("DIN-rail") << true;
    }
    void recordingFollowsTheLanguage() {
        QFETCH(bool, dinRail);
        const MeterKind kind = dinRail ? MeterKind::DinRail : MeterKind::PanelMount;
        RecordingServices recorder;
        const auto table = [&] {
            const auto monitor =
                MakeMonitor(kind, std::make_unique<FakeSerialPort>(), recorder.services());
            const auto* window = qobject_cast<MonitorWindow*>(monitor.get());
            QList<QString> keys;
            for (const Reading& reading : window->readings()) {
                keys << reading.key;
            }
            return std::pair{RecordingTable(window->readings(), !dinRail), keys};
        };
        TickReadings tick;
        tick.summary.startedAt = QDateTime(QDate(2026, 3, 18), QTime(10, 30, 5, 250));
        tick.summary.requestsSent = 5;
        tick.summary.requestsAccepted = 4;
        tick.texts.insert(QStringLiteral("UanT"), QStringLiteral("219.5"));
        tick.texts.insert(QStringLiteral("PfsT"), QStringLiteral("0.935"));

        const auto [chinese, chineseKeys] = table();
        QVERIFY(InstallLanguage(Language::English));
        const auto [english, englishKeys] = table();
        QCOMPARE(englishKeys, chineseKeys);
        const QStringList heading = english.header();
        QCOMPARE(heading.size(), chinese.header().size());
        QCOMPARE(heading.front(), QStringLiteral("Time"));
        QCOMPARE(heading.back(), QStringLiteral("Line"));
        QCOMPARE(heading.at(heading.size() - 2), QStringLiteral("Answers accepted"));
        QVERIFY2(!HasChinese(heading.join(',')), qPrintable(heading.join(',')));
        QVERIFY(heading.contains(QStringLiteral("Voltage Uan (V)")));
        if (!dinRail) {
            QVERIFY(chinese.header().contains(QStringLiteral("开关量输出1")));
            QVERIFY(heading.contains(QStringLiteral("Output 1")));
            QVERIFY(heading.contains(QStringLiteral("Input 4")));
        }
        QCOMPARE(english.row(tick), chinese.row(tick));
        QVERIFY(english.row(tick).front().startsWith(QStringLiteral("2026-03-18")));
    }

    // Every window in English: no Chinese text left, nothing cut off, and
    // the monitors' frames without overlaps.
    void everyWindowInEnglish_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("dinRail");
        QTest::addColumn<QByteArray>("action");  // opened from the monitor's menu
        QTest::newRow("selection") << "selection" << false << QByteArray();
        QTest::newRow("about") << "about" << false << QByteArray();
        QTest::newRow("panel-mount monitor") << "monitor" << false << QByteArray();
        QTest::newRow("DIN-rail monitor") << "monitor" << true << QByteArray();
        QTest::newRow("traffic") << "menu" << true << QByteArray("TrafficAction");
        QTest::newRow("analysis") << "menu" << false << QByteArray("AnalysisAction");
        QTest::newRow("trend") << "menu" << true << QByteArray("TrendAction");
        QTest::newRow("bus") << "menu" << false << QByteArray("BusAction");
        QTest::newRow("search") << "menu" << false << QByteArray("SearchMeterAction");
    }
    void everyWindowInEnglish() {
        QFETCH(QString, window);
        QFETCH(bool, dinRail);
        QFETCH(QByteArray, action);
        QVERIFY(InstallLanguage(Language::English));
        RecordingServices recorder;
        const MeterKind kind = dinRail ? MeterKind::DinRail : MeterKind::PanelMount;
        std::unique_ptr<QWidget> owned;
        QWidget* shown = nullptr;
        QList<QWidget*> frames;
        if (window == QStringLiteral("selection")) {
            owned = std::make_unique<StartScreen>([](MeterKind) { return nullptr; },
                                                  recorder.services());
        } else if (window == QStringLiteral("about")) {
            owned = std::make_unique<AboutDialog>();
        } else {
            owned = MakeMonitor(kind, std::make_unique<FakeSerialPort>(), recorder.services());
            for (QGroupBox* box : owned->findChildren<QGroupBox*>()) {
                frames << box;
            }
        }
        owned->show();
        QVERIFY(QTest::qWaitForWindowExposed(owned.get()));
        shown = owned.get();
        if (!action.isEmpty()) {
            shown = OpenFromMenu(*owned, action.constData());
            QVERIFY2(shown != nullptr, action.constData());
            frames.clear();
        }
        const QStringList chinese = ChineseLeft(*shown);
        QVERIFY2(chinese.isEmpty(), qPrintable(chinese.join('\n')));
        const QStringList cut = CutOrOverlapping(*shown, frames);
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
        if (shown != owned.get()) {
            shown->close();
        }
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
