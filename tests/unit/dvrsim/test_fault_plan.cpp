// The fault plan on a made-up clock: which fault holds when, when the connections are closed,
// the one outage, and the moments at which the server must look again.
#include "fault_plan.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ostrel::dvrsim;

namespace {

using F = PlannedFault;

// Five minutes a cycle, so 30 s a window; an outage of a minute at 400 s.
CFaultPlan FiveMinutes(int64_t nOutageAtMs = 0, int64_t nOutageMs = 0)
{
    return CFaultPlan(FaultPlanSettings{300000, nOutageAtMs, nOutageMs});
}

} // namespace

TEST(FaultPlan, EachFaultHoldsForItsWindowOfTheCycle)
{
    struct Row {
        int64_t nAtMs;
        PlannedFault fault;
        int64_t nCloses;
    } rows[] = {
        {0, F::None, 0},          {29999, F::None, 0},          {30000, F::Split, 0},
        {59999, F::Split, 0},     {60000, F::Coalesce, 0},      {90000, F::Garbage, 0},
        {120000, F::Truncate, 0}, {150000, F::Oversize, 0},     {180000, F::WrongChannel, 0},
        {210000, F::Silence, 0},  {221999, F::Silence, 0},      {222000, F::None, 0}, // 12 s of silence only
        {239999, F::None, 0},     {240000, F::Mixed, 0},        {270000, F::None, 0},
        {299999, F::None, 0},     {300000, F::None, 1},         {330000, F::Split, 1},
        {3 * 300000 + 215000, F::Silence, 3},                   {-5, F::None, 0},
    };
    const CFaultPlan plan = FiveMinutes();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.nAtMs);
        const CFaultPlan::State state = plan.At(row.nAtMs);
        EXPECT_EQ(row.fault, state.fault);
        EXPECT_EQ(row.nCloses, state.nCloses);
        EXPECT_FALSE(state.bOutage);
    }
}

TEST(FaultPlan, TheOutageCoversItsMinuteAndWalkingFromChangeToChangeMeetsEveryBoundaryOnce)
{
    const CFaultPlan plan = FiveMinutes(400000, 60000);
    EXPECT_FALSE(plan.At(399999).bOutage);
    EXPECT_TRUE(plan.At(459999).bOutage);
    EXPECT_EQ(F::Garbage, plan.At(400000).fault) << "the cycle runs on under the outage";
    std::vector<int64_t> moments;
    for (int64_t t = plan.NextChangeMs(0); t >= 0 && t <= 600000; t = plan.NextChangeMs(t)) {
        EXPECT_NE(plan.At(t), plan.At(t - 1)) << "a change at " << t;
        moments.push_back(t);
    }
    const std::vector<int64_t> expected = {
        30000,  60000,  90000,  120000, 150000, 180000, 210000, 222000, 240000, 270000, 300000, // first cycle
        330000, 360000, 390000, 400000 /* outage */, 420000, 450000, 460000 /* back */, 480000, 510000,
        522000, 540000, 570000, 600000,
    };
    EXPECT_EQ(expected, moments);
    EXPECT_EQ(222000, plan.NextChangeMs(215000)) << "from inside a window";

    const CFaultPlan outageOnly(FaultPlanSettings{0, 50000, 45000});
    EXPECT_EQ((CFaultPlan::State{F::None, true, 0}), outageOnly.At(60000));
    EXPECT_EQ(50000, outageOnly.NextChangeMs(0));
    EXPECT_EQ(95000, outageOnly.NextChangeMs(50000));
    EXPECT_EQ(-1, outageOnly.NextChangeMs(95000)) << "nothing changes after it";
    EXPECT_FALSE(CFaultPlan(FaultPlanSettings{}).Active());
}

TEST(FaultPlan, PlannedFaultsComeOnTopOfTheCommandLine)
{
    SimOptions base;
    base.nTruncateEvery = 7;
    const SimOptions garbage = WithPlannedFault(base, F::Garbage);
    EXPECT_GT(garbage.nGarbageEvery, 0);
    EXPECT_EQ(7, garbage.nTruncateEvery) << "a fault given on the command line stays";
    for (PlannedFault quiet : {F::None, F::Silence}) {
        const SimOptions same = WithPlannedFault(base, quiet);
        EXPECT_EQ(SplitMode::None, same.split);
        EXPECT_EQ(0, same.nCoalesce + same.nGarbageEvery + same.nOversizeEvery + same.nWrongChannelEvery);
        EXPECT_EQ(7, same.nTruncateEvery);
    }
}
