// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "accuracy/accuracymath.h"

namespace mt {

// What a test point does.
enum class PointKind {
    Error,   // 误差: N rounds, every judged quantity against the reference
    Creep,   // 潜动: no current, the active energy register must stand still
    Energy,  // 走字: the energy register's advance against the reference's
};

// One point of a plan. The voltage and the current are either absolute (V,
// A) or relative (a fraction of Un, of In/Ib, or of Imax).
struct TestPoint {
    PointKind kind = PointKind::Error;
    double voltage = 1;  // fraction of Un unless voltageAbsolute
    bool voltageAbsolute = false;
    double current = 1;  // fraction of In (or of Imax when currentOfImax) unless currentAbsolute
    bool currentAbsolute = false;
    bool currentOfImax = false;
    PowerFactor pf;
    double frequency = 50;
    int settleSeconds = 5;
    int readings = 5;
    QList<Quantity> judged;
    // Creep and register check: the run time (s); 0 lets the program work it out.
    int seconds = 0;

    bool operator==(const TestPoint&) const = default;
};

// A test plan: the meters' ratings and the points in order.
struct TestPlan {
    static constexpr int kVersion = 1;
    QString name;
    Connection connection = Connection::Direct;
    double un = 230;   // rated phase voltage, V
    double in = 5;     // basic (Ib) or rated (In) current, A
    double imax = 60;  // maximum current, A
    QList<TestPoint> points;

    bool operator==(const TestPlan&) const = default;
};

// The set values of a point in V, A, W, var, VA, Hz (per phase for U and I,
// totals of three balanced phases for the powers).
struct SetValues {
    double u = 0;
    double i = 0;
    double p = 0;
    double q = 0;
    double s = 0;
    double pf = 1;
    double f = 50;
    double currentFraction = 0;  // of In/Ib, for the class tables
};
SetValues SetValuesOf(const TestPlan& plan, const TestPoint& point);
// The set value of one quantity at a point.
double SetValueOf(const SetValues& set, Quantity q);

// "100%Un", "230V"; "5%In", "Imax", "2.5A"; as the plan file and the window write them.
QString VoltageText(const TestPoint& point);
QString CurrentText(const TestPoint& point);
QString JudgedText(const QList<Quantity>& judged);
QString PointKindText(PointKind kind);   // "error", "creep", "energy"
QString PointKindShown(PointKind kind);  // 误差, 潜动, 走字

// Cell readers, each giving nothing for nonsense: the window's editable
// table uses the same rules as the plan file.
bool ReadVoltage(const QString& text, TestPoint& point);
bool ReadCurrent(const QString& text, TestPoint& point);
std::optional<QList<Quantity>> ReadJudged(const QString& text);
std::optional<PointKind> ReadPointKind(const QString& text);

struct PlanLoad {
    std::optional<TestPlan> plan;
    int line = 0;   // the first bad line (1-based) when refused
    QString error;  // why
};

// The plan file: the program's CSV (UTF-8, BOM optional, commas). Line 1
// "MeterTest plan,1" (name and format version); then key lines (name,
// connection direct|transformer, Un, In, Imax), "#" comments and blank
// lines; then the heading "kind,U,I,PF,f,settle,N,judge,time" and one line
// per point. A file with any bad line is refused whole, naming the line.
PlanLoad ParsePlan(const QByteArray& file);
QByteArray PlanCsv(const TestPlan& plan);

// The shipped plans: the point lists of the class tests for class 1 and 2
// direct-connected meters and for class 0.5S and 0.2S transformer-operated
// meters.
QList<TestPlan> DefaultPlans();

}  // namespace mt
