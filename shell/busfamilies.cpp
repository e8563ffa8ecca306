// SPDX-License-Identifier: GPL-3.0-or-later
#include "busfamilies.h"

#include <QCoreApplication>

#include "panel_meter/paneldecoder.h"
#include "panel_meter/panelschedule.h"
#include "rail_meter/raildecoder.h"
#include "rail_meter/railschedule.h"

namespace mt {

namespace {
struct BusFamilyTexts {
    Q_DECLARE_TR_FUNCTIONS(BusFamilyTexts)
};
}  // namespace

BusFamilies MeasurementFamilies() {
    BusFamilies families;
    families.panelMount.reads = {kPrimarySchedule[0], kPrimarySchedule[1]};
    families.panelMount.decode = [](AnswerBytes answer) {
        return DecodePrimaryAnswer(answer).fields;
    };
    families.panelMount.mode = BusFamilyTexts::tr("一次");
    families.dinRail.reads = {RailPollSchedule[0], RailPollSchedule[1]};
    // Neither block carries a tag: the tag plays no part in their decoding.
    families.dinRail.decode = [](AnswerBytes answer) { return DecodeDinRailAnswer(answer, 0); };
    return families;
}

BusFamilies AccuracyFamilies() {
    BusFamilies families = MeasurementFamilies();
    families.dinRail.reads.push_back(RailPollSchedule[5]);
    return families;
}

}  // namespace mt
