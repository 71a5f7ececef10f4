#pragma once
#include "core/agent_context.h"
#include "core/tat_emp.h"

namespace kx {

// Keeps a running batch's template record intact around work that reloads it
// while the batch lets events run (a clocking processed on the fly reloads the
// system parameters and writes its own staff member's card fields): the record
// is copied on construction and put back on destruction.
class TemplateRecordKeeper {
public:
    explicit TemplateRecordKeeper(AgentContext& ctx) : ctx_(ctx), saved_(ctx.templateRec) {}
    ~TemplateRecordKeeper() { ctx_.templateRec = std::move(saved_); }
    TemplateRecordKeeper(const TemplateRecordKeeper&) = delete;
    TemplateRecordKeeper& operator=(const TemplateRecordKeeper&) = delete;

private:
    AgentContext& ctx_;
    TAT_Emp saved_;
};

}  // namespace kx
