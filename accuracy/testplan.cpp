// SPDX-License-Identifier: GPL-3.0-or-later
#include "testplan.h"

#include <QCoreApplication>
#include <QStringList>
#include <cmath>

#include "csv/csvtext.h"

namespace mt {

namespace {

struct PlanTexts {
    Q_DECLARE_TR_FUNCTIONS(mt::PlanTexts)
};

const QString kMagic = QStringLiteral("MeterTest plan");
const QStringList kHeading = {
    QStringLiteral("kind"), QStringLiteral("U"),     QStringLiteral("I"),
    QStringLiteral("PF"),   QStringLiteral("f"),     QStringLiteral("settle"),
    QStringLiteral("N"),    QStringLiteral("judge"), QStringLiteral("time")};
constexpr int kMaxReadings = 100;
constexpr int kMaxSettleSeconds = 3600;
constexpr int kMaxRunSeconds = 7 * 24 * 3600;

// One CSV line's cells (RFC 4180 quoting, blanks around an unquoted cell
// dropped); nothing when a quote is left open. Unquoted cells are cut out of
// the line whole: a plan is read in one go, cell by cell.
std::optional<QStringList> CellsOf(QStringView line) {
    QStringList cells;
    const qsizetype n = line.size();
    qsizetype at = 0;
    for (;;) {
        qsizetype p = at;
        while (p < n && line[p].isSpace()) {
            ++p;
        }
        if (p < n && line[p] == QLatin1Char('"')) {
            QString cell;
            bool closed = false;
            for (++p; p < n; ++p) {
                if (line[p] != QLatin1Char('"')) {
                    cell += line[p];
                } else if (p + 1 < n && line[p + 1] == QLatin1Char('"')) {
                    cell += QLatin1Char('"');
                    ++p;
                } else {
                    closed = true;
                    ++p;
                    break;
                }
            }
            if (!closed) {
                return std::nullopt;
            }
            // Whatever stands between the closing quote and the comma is dropped.
            while (p < n && line[p] != QLatin1Char(',')) {
                ++p;
            }
            cells.append(cell);
        } else {
            while (p < n && line[p] != QLatin1Char(',')) {
                ++p;
            }
            cells.append(line.mid(at, p - at).trimmed().toString());
        }
        if (p >= n) {
            return cells;
        }
        at = p + 1;
    }
}

std::optional<double> NumberOf(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> WholeOf(const QString& text, int lowest, int highest) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

QString Number(double value) {
    return QString::number(value, 'g', 10);
}

// "5%" or "5 %" → 0.05.
std::optional<double> PercentOf(QString text) {
    text = text.trimmed();
    if (!text.endsWith(QLatin1Char('%'))) {
        return std::nullopt;
    }
    const std::optional<double> value = NumberOf(text.chopped(1));
    if (!value) {
        return std::nullopt;
    }
    return *value / 100;
}

}  // namespace

SetValues SetValuesOf(const TestPlan& plan, const TestPoint& point) {
    SetValues set;
    set.u = point.voltageAbsolute ? point.voltage : point.voltage * plan.un;
    if (point.kind == PointKind::Creep) {
        set.i = 0;
    } else if (point.currentAbsolute) {
        set.i = point.current;
    } else {
        set.i = point.current * (point.currentOfImax ? plan.imax : plan.in);
    }
    set.currentFraction = plan.in > 0 ? set.i / plan.in : 0;
    set.pf = point.pf.value;
    set.s = 3 * set.u * set.i;
    set.p = set.s * point.pf.value;
    set.q = set.s * point.pf.signedSine();
    set.f = point.frequency;
    return set;
}

double SetValueOf(const SetValues& set, Quantity q) {
    switch (q) {
        case Quantity::Ua:
        case Quantity::Ub:
        case Quantity::Uc:
            return set.u;
        case Quantity::Ia:
        case Quantity::Ib:
        case Quantity::Ic:
            return set.i;
        case Quantity::Pa:
        case Quantity::Pb:
        case Quantity::Pc:
            return set.p / 3;
        case Quantity::P:
            return set.p;
        case Quantity::Q:
            return set.q;
        case Quantity::S:
            return set.s;
        case Quantity::PF:
            return set.pf;
        case Quantity::F:
            return set.f;
        case Quantity::Count:
            break;
    }
    return 0;
}

QString VoltageText(const TestPoint& point) {
    if (point.voltageAbsolute) {
        return Number(point.voltage) + QLatin1Char('V');
    }
    return Number(point.voltage * 100) + QStringLiteral("%Un");
}

QString CurrentText(const TestPoint& point) {
    if (point.currentAbsolute) {
        return Number(point.current) + QLatin1Char('A');
    }
    if (point.currentOfImax) {
        return point.current == 1 ? QStringLiteral("Imax")
                                  : Number(point.current * 100) + QStringLiteral("%Imax");
    }
    return Number(point.current * 100) + QStringLiteral("%In");
}

QString JudgedText(const QList<Quantity>& judged) {
    QStringList codes;
    // Three phases of one kind are written as their group: "U" for Ua Ub Uc.
    auto has = [&](Quantity q) { return judged.contains(q); };
    for (qsizetype k = 0; k < judged.size(); ++k) {
        const Quantity q = judged.at(k);
        if (q == Quantity::Ua && has(Quantity::Ub) && has(Quantity::Uc)) {
            codes.append(QStringLiteral("U"));
        } else if (q == Quantity::Ia && has(Quantity::Ib) && has(Quantity::Ic)) {
            codes.append(QStringLiteral("I"));
        } else if (q == Quantity::Pa && has(Quantity::Pb) && has(Quantity::Pc)) {
            codes.append(QStringLiteral("Pφ"));
        } else if ((q == Quantity::Ub || q == Quantity::Uc) && has(Quantity::Ua) &&
                   has(Quantity::Ub) && has(Quantity::Uc)) {
            continue;
        } else if ((q == Quantity::Ib || q == Quantity::Ic) && has(Quantity::Ia) &&
                   has(Quantity::Ib) && has(Quantity::Ic)) {
            continue;
        } else if ((q == Quantity::Pb || q == Quantity::Pc) && has(Quantity::Pa) &&
                   has(Quantity::Pb) && has(Quantity::Pc)) {
            continue;
        } else {
            codes.append(QuantityCode(q));
        }
    }
    return codes.join(QLatin1Char(' '));
}

QString PointKindText(PointKind kind) {
    switch (kind) {
        case PointKind::Error:
            return QStringLiteral("error");
        case PointKind::Creep:
            return QStringLiteral("creep");
        case PointKind::Energy:
            return QStringLiteral("energy");
    }
    return {};
}

QString PointKindShown(PointKind kind) {
    switch (kind) {
        case PointKind::Error:
            return PlanTexts::tr("误差");
        case PointKind::Creep:
            return PlanTexts::tr("潜动");
        case PointKind::Energy:
            return PlanTexts::tr("走字");
    }
    return {};
}

std::optional<PointKind> ReadPointKind(const QString& text) {
    // The file's words, the Chinese names, or the names of the interface
    // language (looked up last: the file's words are by far the most read).
    struct Name {
        PointKind kind;
        QLatin1StringView word;
        QStringView chinese;
    };
    static constexpr Name kNames[] = {{PointKind::Error, QLatin1StringView("error"), u"误差"},
                                      {PointKind::Creep, QLatin1StringView("creep"), u"潜动"},
                                      {PointKind::Energy, QLatin1StringView("energy"), u"走字"}};
    const QStringView t = QStringView(text).trimmed();
    for (const Name& name : kNames) {
        if (t.compare(name.word, Qt::CaseInsensitive) == 0 || t == name.chinese) {
            return name.kind;
        }
    }
    for (const Name& name : kNames) {
        if (t == PointKindShown(name.kind)) {
            return name.kind;
        }
    }
    return std::nullopt;
}

bool ReadVoltage(const QString& text, TestPoint& point) {
    QString t = text.trimmed();
    if (t.endsWith(QLatin1String("Un"), Qt::CaseInsensitive)) {
        t.chop(2);
    }
    if (const std::optional<double> fraction = PercentOf(t)) {
        if (*fraction <= 0 || *fraction > 2) {
            return false;
        }
        point.voltage = *fraction;
        point.voltageAbsolute = false;
        return true;
    }
    if (t.endsWith(QLatin1Char('V'), Qt::CaseInsensitive)) {
        t.chop(1);
    }
    const std::optional<double> volts = NumberOf(t);
    if (!volts || *volts <= 0 || *volts > 1000) {
        return false;
    }
    point.voltage = *volts;
    point.voltageAbsolute = true;
    return true;
}

bool ReadCurrent(const QString& text, TestPoint& point) {
    QString t = text.trimmed();
    bool ofImax = false;
    if (t.endsWith(QLatin1String("Imax"), Qt::CaseInsensitive)) {
        t.chop(4);
        ofImax = true;
        if (t.trimmed().isEmpty()) {
            t = QStringLiteral("100%");
        }
    } else if (t.endsWith(QLatin1String("In"), Qt::CaseInsensitive) ||
               t.endsWith(QLatin1String("Ib"), Qt::CaseInsensitive)) {
        t.chop(2);
    }
    if (const std::optional<double> fraction = PercentOf(t)) {
        if (*fraction < 0 || *fraction > 20) {
            return false;
        }
        point.current = *fraction;
        point.currentAbsolute = false;
        point.currentOfImax = ofImax;
        return true;
    }
    if (ofImax) {
        return false;
    }
    if (t.endsWith(QLatin1Char('A'), Qt::CaseInsensitive)) {
        t.chop(1);
    }
    const std::optional<double> amps = NumberOf(t);
    if (!amps || *amps < 0 || *amps > 10000) {
        return false;
    }
    point.current = *amps;
    point.currentAbsolute = true;
    point.currentOfImax = false;
    return true;
}

std::optional<QList<Quantity>> ReadJudged(const QString& text) {
    QList<Quantity> judged;
    auto add = [&judged](Quantity q) {
        if (!judged.contains(q)) {
            judged.append(q);
        }
    };
    // Codes separated by blanks, ";", "|", "/", "、" or commas.
    const auto separator = [](QChar c) {
        return c.isSpace() || QStringLiteral(";|/、，,").contains(c);
    };
    QList<QStringView> codes;
    for (qsizetype k = 0; k < text.size();) {
        while (k < text.size() && separator(text.at(k))) {
            ++k;
        }
        const qsizetype from = k;
        while (k < text.size() && !separator(text.at(k))) {
            ++k;
        }
        if (k > from) {
            codes.append(QStringView(text).mid(from, k - from));
        }
    }
    for (const QStringView code : codes) {
        if (code.compare(QLatin1String("U"), Qt::CaseInsensitive) == 0) {
            add(Quantity::Ua), add(Quantity::Ub), add(Quantity::Uc);
            continue;
        }
        if (code.compare(QLatin1String("I"), Qt::CaseInsensitive) == 0) {
            add(Quantity::Ia), add(Quantity::Ib), add(Quantity::Ic);
            continue;
        }
        if (code == QStringLiteral("Pφ") ||
            code.compare(QLatin1String("Pp"), Qt::CaseInsensitive) == 0) {
            add(Quantity::Pa), add(Quantity::Pb), add(Quantity::Pc);
            continue;
        }
        bool known = false;
        for (int k = 0; k < kQuantityCount; ++k) {
            const auto q = static_cast<Quantity>(k);
            if (code.compare(QuantityCode(q), Qt::CaseInsensitive) == 0) {
                add(q);
                known = true;
                break;
            }
        }
        if (!known) {
            return std::nullopt;
        }
    }
    return judged;
}

PlanLoad ParsePlan(const QByteArray& file) {
    PlanLoad load;
    QByteArray bytes = file;
    if (bytes.startsWith(CsvByteOrderMark())) {
        bytes.remove(0, CsvByteOrderMark().size());
    }
    const QString text = QString::fromUtf8(bytes);
    if (text.contains(QChar::ReplacementCharacter)) {
        load.line =
            1 + static_cast<int>(
                    text.left(text.indexOf(QChar::ReplacementCharacter)).count(QLatin1Char('\n')));
        load.error = PlanTexts::tr("不是 UTF-8 文本");
        return load;
    }
    const int lineCount = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    TestPlan plan;
    plan.points.clear();
    bool sawMagic = false;
    bool sawHeading = false;
    auto refuse = [&load](int line, const QString& why) {
        load.line = line;
        load.error = why;
        return load;
    };
    qsizetype next = 0;
    for (int lineNumber = 1; lineNumber <= lineCount; ++lineNumber) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), next);
        if (end < 0) {
            end = text.size();
        }
        QStringView line = QStringView(text).mid(next, end - next);
        next = end + 1;
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        if (line.trimmed().isEmpty() || line.trimmed().startsWith(QLatin1Char('#'))) {
            continue;
        }
        const std::optional<QStringList> parsed = CellsOf(line);
        if (!parsed) {
            return refuse(lineNumber, PlanTexts::tr("引号没有闭合"));
        }
        QStringList cells = *parsed;
        while (cells.size() > 1 && cells.last().isEmpty()) {
            cells.removeLast();
        }
        if (!sawMagic) {
            if (cells.value(0) != kMagic) {
                return refuse(lineNumber, PlanTexts::tr("不是试验方案文件（第一行应为“%1,%2”）")
                                              .arg(kMagic)
                                              .arg(TestPlan::kVersion));
            }
            const std::optional<int> version = WholeOf(cells.value(1), 1, 1000);
            if (!version) {
                return refuse(lineNumber, PlanTexts::tr("缺少格式版本"));
            }
            if (*version > TestPlan::kVersion) {
                return refuse(lineNumber, PlanTexts::tr("格式版本 %1 比本程序新（最高 %2）")
                                              .arg(*version)
                                              .arg(TestPlan::kVersion));
            }
            sawMagic = true;
            continue;
        }
        if (!sawHeading) {
            const QString key = cells.value(0).toLower();
            if (cells.value(0) == kHeading.first()) {
                if (cells.mid(0, kHeading.size()) != kHeading) {
                    return refuse(
                        lineNumber,
                        PlanTexts::tr("标题行应为“%1”").arg(kHeading.join(QLatin1Char(','))));
                }
                sawHeading = true;
                continue;
            }
            // "name," (an empty name) is a key line too.
            if (cells.size() > 2) {
                return refuse(lineNumber, PlanTexts::tr("应为“名称,值”"));
            }
            const QString value = cells.value(1);
            if (key == QLatin1String("name")) {
                plan.name = value;
            } else if (key == QLatin1String("connection")) {
                if (value.compare(QLatin1String("direct"), Qt::CaseInsensitive) == 0) {
                    plan.connection = Connection::Direct;
                } else if (value.compare(QLatin1String("transformer"), Qt::CaseInsensitive) == 0) {
                    plan.connection = Connection::Transformer;
                } else {
                    return refuse(lineNumber, PlanTexts::tr("接入方式应为 direct 或 transformer"));
                }
            } else if (key == QLatin1String("un") || key == QLatin1String("in") ||
                       key == QLatin1String("imax")) {
                const std::optional<double> number = NumberOf(value);
                if (!number || *number <= 0 || *number > 100000) {
                    return refuse(lineNumber, PlanTexts::tr("“%1”不是正数").arg(value));
                }
                (key == QLatin1String("un")   ? plan.un
                 : key == QLatin1String("in") ? plan.in
                                              : plan.imax) = *number;
            } else {
                return refuse(lineNumber, PlanTexts::tr("未知的项“%1”").arg(cells.at(0)));
            }
            continue;
        }
        if (cells.size() > kHeading.size()) {
            return refuse(lineNumber, PlanTexts::tr("列数多于 %1").arg(kHeading.size()));
        }
        while (cells.size() < kHeading.size()) {
            cells.append(QString());
        }
        TestPoint point;
        const std::optional<PointKind> kind = ReadPointKind(cells.at(0));
        if (!kind) {
            return refuse(lineNumber, PlanTexts::tr("未知的试验类型“%1”").arg(cells.at(0)));
        }
        point.kind = *kind;
        if (!ReadVoltage(cells.at(1), point)) {
            return refuse(lineNumber, PlanTexts::tr("电压“%1”无效").arg(cells.at(1)));
        }
        if (point.kind == PointKind::Creep && cells.at(2).isEmpty()) {
            point.current = 0;
        } else if (!ReadCurrent(cells.at(2), point)) {
            return refuse(lineNumber, PlanTexts::tr("电流“%1”无效").arg(cells.at(2)));
        }
        if (cells.at(3).isEmpty()) {
            point.pf = PowerFactor{};
        } else if (const std::optional<PowerFactor> pf = PowerFactorOf(cells.at(3))) {
            point.pf = *pf;
        } else {
            return refuse(lineNumber,
                          PlanTexts::tr("功率因数“%1”无效（如 1、0.5L、0.8C）").arg(cells.at(3)));
        }
        if (!cells.at(4).isEmpty()) {
            const std::optional<double> f = NumberOf(cells.at(4));
            if (!f || *f < 40 || *f > 70) {
                return refuse(lineNumber, PlanTexts::tr("频率“%1”无效").arg(cells.at(4)));
            }
            point.frequency = *f;
        }
        if (!cells.at(5).isEmpty()) {
            const std::optional<int> settle = WholeOf(cells.at(5), 0, kMaxSettleSeconds);
            if (!settle) {
                return refuse(lineNumber, PlanTexts::tr("稳定时间“%1”无效").arg(cells.at(5)));
            }
            point.settleSeconds = *settle;
        }
        if (!cells.at(6).isEmpty()) {
            const std::optional<int> n = WholeOf(cells.at(6), 1, kMaxReadings);
            if (!n) {
                return refuse(
                    lineNumber,
                    PlanTexts::tr("读数次数“%1”应为 1 到 %2").arg(cells.at(6)).arg(kMaxReadings));
            }
            point.readings = *n;
        }
        const std::optional<QList<Quantity>> judged = ReadJudged(cells.at(7));
        if (!judged) {
            return refuse(lineNumber, PlanTexts::tr("判定量“%1”中有未知的量").arg(cells.at(7)));
        }
        point.judged = *judged;
        if (point.kind == PointKind::Error && point.judged.isEmpty()) {
            return refuse(lineNumber, PlanTexts::tr("误差试验点至少要判定一个量"));
        }
        if (!cells.at(8).isEmpty()) {
            const std::optional<int> seconds = WholeOf(cells.at(8), 1, kMaxRunSeconds);
            if (!seconds) {
                return refuse(lineNumber, PlanTexts::tr("运行时间“%1”无效").arg(cells.at(8)));
            }
            point.seconds = *seconds;
        }
        plan.points.append(point);
    }
    if (!sawMagic) {
        return refuse(1, PlanTexts::tr("文件是空的"));
    }
    if (!sawHeading) {
        return refuse(lineCount, PlanTexts::tr("缺少试验点标题行"));
    }
    if (plan.points.isEmpty()) {
        return refuse(lineCount, PlanTexts::tr("方案中没有试验点"));
    }
    if (plan.imax < plan.in) {
        return refuse(1, PlanTexts::tr("Imax 小于 In"));
    }
    load.plan = plan;
    return load;
}

QByteArray PlanCsv(const TestPlan& plan) {
    QByteArray out = CsvByteOrderMark();
    out += CsvLine({kMagic, QString::number(TestPlan::kVersion)});
    out += CsvLine({QStringLiteral("name"), plan.name});
    out += CsvLine({QStringLiteral("connection"), plan.connection == Connection::Direct
                                                      ? QStringLiteral("direct")
                                                      : QStringLiteral("transformer")});
    out += CsvLine({QStringLiteral("Un"), Number(plan.un)});
    out += CsvLine({QStringLiteral("In"), Number(plan.in)});
    out += CsvLine({QStringLiteral("Imax"), Number(plan.imax)});
    out += CsvLine(kHeading);
    for (const TestPoint& point : plan.points) {
        out += CsvLine({PointKindText(point.kind), VoltageText(point),
                        point.kind == PointKind::Creep ? QString() : CurrentText(point),
                        PowerFactorText(point.pf), Number(point.frequency),
                        QString::number(point.settleSeconds), QString::number(point.readings),
                        JudgedText(point.judged),
                        point.seconds > 0 ? QString::number(point.seconds) : QString()});
    }
    return out;
}

QList<TestPlan> DefaultPlans() {
    const QList<Quantity> all = *ReadJudged(QStringLiteral("U I P Q PF F"));
    const QList<Quantity> power = {Quantity::P};
    auto point = [](double current, bool ofImax, const char* pf, QList<Quantity> judged) {
        TestPoint p;
        p.current = current;
        p.currentOfImax = ofImax;
        p.pf = *PowerFactorOf(QString::fromLatin1(pf));
        p.judged = std::move(judged);
        return p;
    };
    auto creep = [] {
        TestPoint p;
        p.kind = PointKind::Creep;
        p.voltage = 1.15;
        p.current = 0;
        p.readings = 1;
        return p;
    };
    auto energy = [] {
        TestPoint p;
        p.kind = PointKind::Energy;
        p.current = 1;
        p.currentOfImax = true;
        p.readings = 1;
        return p;
    };
    QList<TestPlan> plans;
    // Direct-connected meters: PF 1 at 5 %, 10 %, 100 % Ib and Imax; 0.5L
    // and 0.8C at 10 % (class 1: the wider limit's end) and 100 % Ib.
    for (const char* cls : {"1", "2"}) {
        TestPlan plan;
        plan.name = PlanTexts::tr("%1 级直接接入（5(60) A）").arg(QString::fromLatin1(cls));
        plan.connection = Connection::Direct;
        plan.un = 230;
        plan.in = 5;
        plan.imax = 60;
        plan.points = {point(0.05, false, "1", power),
                       point(0.10, false, "1", power),
                       point(1.00, false, "1", all),
                       point(1.00, true, "1", power),
                       point(0.10, false, "0.5L", power),
                       point(1.00, false, "0.5L", all),
                       point(0.10, false, "0.8C", power),
                       point(1.00, false, "0.8C", power),
                       creep(),
                       energy()};
        plans.append(plan);
    }
    // Transformer-operated meters (x/5 A): PF 1 at 1 %, 5 %, 100 % In and
    // Imax; 0.5L and 0.8C at 2 %, 10 % and 100 % In.
    for (const char* cls : {"0.5S", "0.2S"}) {
        TestPlan plan;
        plan.name = PlanTexts::tr("%1 级经互感器接入（1.5(6) A）").arg(QString::fromLatin1(cls));
        plan.connection = Connection::Transformer;
        plan.un = 230;
        plan.in = 1.5;
        plan.imax = 6;
        plan.points = {point(0.01, false, "1", power),
                       point(0.05, false, "1", power),
                       point(1.00, false, "1", all),
                       point(1.00, true, "1", power),
                       point(0.02, false, "0.5L", power),
                       point(0.10, false, "0.5L", power),
                       point(1.00, false, "0.5L", all),
                       point(0.02, false, "0.8C", power),
                       point(0.10, false, "0.8C", power),
                       point(1.00, false, "0.8C", power),
                       creep(),
                       energy()};
        plans.append(plan);
    }
    return plans;
}

}  // namespace mt
