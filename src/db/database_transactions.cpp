#include "db/database.h"

namespace kx::db {

void Database::BeginTransaction() {
    bool waited = false;
    backend_->Begin(&waited);
    if (waited && turnWaited_) turnWaited_();
}

void Database::BeginBatchTransaction() {
    if (!backend_->InTransaction()) BeginTransaction();
    batchStarted_ = std::chrono::steady_clock::now();
}

void Database::CommitBatchTransaction() {
    if (preview_) return;
    if (backend_->InTransaction()) backend_->Control("COMMIT");
}

void Database::BeginBatch() {
    if (batchDepth_++ > 0 || unitDepth_ > 0) return;
    try {
        BeginBatchTransaction();
    } catch (...) {
        --batchDepth_;
        throw;
    }
}

void Database::CommitIfDue() {
    if (batchDepth_ == 0 || unitDepth_ > 0 || preview_) return;
    if (backend_->InTransaction()) {
        if (std::chrono::steady_clock::now() - batchStarted_ < kBatchCommitInterval) return;
        CommitBatchTransaction();
    }
    BeginBatchTransaction();
}

void Database::EndBatch() {
    if (batchDepth_ == 0) return;
    if (--batchDepth_ > 0 || unitDepth_ > 0) return;
    CommitBatchTransaction();
}

Database::Preview::Preview(Database& db) : db_(db) {
    if (db_.backend_->InTransaction()) throw DbError("a preview needs a transaction of its own");
    db_.BeginTransaction();
    db_.preview_ = true;
}

Database::Preview::~Preview() {
    db_.preview_ = false;
    try {
        if (db_.backend_->InTransaction()) db_.backend_->Control("ROLLBACK");
    } catch (...) {
    }
}

Database::Unit::Unit(Database& db) : db_(db) {
    Backend& backend = *db_.backend_;
    if (backend.InTransaction()) {
        savepoint_ = "kx_unit_" + std::to_string(db_.unitDepth_);
        backend.Control("SAVEPOINT " + savepoint_);
    } else {
        db_.BeginTransaction();
    }
    ++db_.unitDepth_;
}

void Database::Unit::Commit() {
    if (done_) return;
    done_ = true;
    --db_.unitDepth_;
    Backend& backend = *db_.backend_;
    if (!backend.InTransaction()) throw DbError("the transaction was ended by the database engine");
    if (savepoint_.empty()) {
        try {
            backend.Control("COMMIT");
        } catch (...) {
            // A commit that failed must not leave a transaction open behind it.
            try {
                if (backend.InTransaction()) backend.Control("ROLLBACK");
            } catch (...) {
            }
            throw;
        }
        if (db_.unitDepth_ == 0 && db_.batchDepth_ > 0) db_.BeginBatchTransaction();
        return;
    }
    backend.Control("RELEASE SAVEPOINT " + savepoint_);
    if (db_.unitDepth_ == 0) db_.CommitIfDue();
}

Database::Unit::~Unit() {
    if (done_) return;
    --db_.unitDepth_;
    try {
        Backend& backend = *db_.backend_;
        if (!backend.InTransaction()) return;
        if (savepoint_.empty()) {
            backend.Control("ROLLBACK");
            if (db_.unitDepth_ == 0 && db_.batchDepth_ > 0) db_.BeginBatchTransaction();
        } else {
            backend.Control("ROLLBACK TO SAVEPOINT " + savepoint_ + "; RELEASE SAVEPOINT " + savepoint_);
        }
    } catch (...) {
    }
}

UnitOutcome Database::RunUnit(const std::vector<std::string>& statements, UnitTold told) {
    // Only a caller that is told may be told later; every outcome is counted.
    UnitTold counted;
    if (told)
        counted = [this, told](const UnitOutcome& outcome) {
            if (outcome.failed != -1) ++failedUnits_;
            told(outcome);
        };
    const auto count = [this](const UnitOutcome& outcome) {
        if (outcome.failed != -1) ++failedUnits_;
    };
    const bool nested = backend_->InTransaction();
    const std::string savepoint = nested ? "kx_unit_" + std::to_string(unitDepth_) : std::string();
    if (std::optional<UnitOutcome> done = backend_->RunUnitAtOnce(statements, savepoint, counted)) {
        const std::size_t tried = done->failed < 0 ? statements.size() : static_cast<std::size_t>(done->failed) + 1;
        if (recorder_)
            for (std::size_t i = 0; i < tried; ++i) recorder_(statements[i]);
        if (done->failed < 0 && unitDepth_ == 0 && batchDepth_ > 0) {
            if (nested)
                CommitIfDue();
            else
                BeginBatchTransaction();
        }
        if (!done->pending) {
            count(*done);
            if (told) told(*done);
        }
        return *done;
    }
    UnitOutcome outcome;
    {
        Unit unit(*this);
        for (std::size_t i = 0; i < statements.size() && outcome.failed < 0; ++i) {
            try {
                Run(statements[i], nullptr);
            } catch (const DbError& e) {
                outcome.failed = static_cast<int>(i);
                outcome.error = e.what();
            }
        }
        if (outcome.failed < 0) unit.Commit();
    }
    count(outcome);
    if (told) told(outcome);
    return outcome;
}

}  // namespace kx::db
