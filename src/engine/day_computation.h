#pragma once
#include <string>

#include "core/agent_context.h"
#include "core/tat_attend.h"
#include "core/tat_emp.h"
#include "engine/formula_inputs.h"

namespace kx {

// State the day computation keeps while one staff-day is computed: the formula
// inputs, the edited mark and the scheduled stamps. ProAttd creates it fresh
// for every staff-day and hands it to each step.
struct DayComputation {
    FormulaInputs inputs;
    bool editedMark = false;
    std::string scheduledIn;   // D + SysIn, "yyyymmddhhmm"
    std::string scheduledOut;  // D + SysOut, or D+1 + SysOut when SysOut is earlier than SysIn
};

// A 12-character stamp "yyyymmddhhmm".
using Stamp = std::string;

// First-in/last-out selection of one period kind: "1", "2", "L", "V", "O", "T" or "E".
void GetFILO(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut, TAT_Attend& attend,
             char kind);
void GetFlexibleMealHours(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, Stamp& tIn, Stamp& tOut,
                          TAT_Attend& attend);

// Lateness and early leaving; meal lateness and meal early start.
void CalLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend);
void CalBreaksLateEarly(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend, const Stamp& tIn,
                        const Stamp& tOut);

// Working minutes.
void CalWorkHours(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                  TAT_Emp& emp);
void CalFlexibleWorkHour(AgentContext& ctx, DayComputation& day, TAT_Emp& emp, TAT_Attend& attend);

// Overtime.
void CalOvertime(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                 TAT_Emp& emp);
void CalOTModeA(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                TAT_Emp& emp);
void CalPreOvertime(AgentContext& ctx, DayComputation& day, const Stamp& tIn, const Stamp& tOut, TAT_Attend& attend,
                    TAT_Emp& emp);

// The day computation: runs the steps above in their fixed order.
void ProAttd(AgentContext& ctx, TAT_Emp& emp, TAT_Attend& attend);

}  // namespace kx
