#include "db/database.h"

namespace kx::db {

void Database::BeginTransaction() {
    bool waited = false;
    Watched([&] { backend_->Begin(&waited); });
    if (waited && turnWaited_) turnWaited_();
}

void Database::BeginBatchTransaction() {
    if (!backend_->InTransaction()) BeginTransaction();
    batchStarted_ = std::chrono::steady_clock::now();
}

void Database::CommitBatchTransaction() {
    readCache_.Clear();
    if (preview_ || !backend_->InTransaction()) return;
    Watched([&] { backend_->Control("COMMIT"); });
    ++commits_;
}

void Database::CommitBatchNow() {
    if (batchDepth_ == 0 || unitDepth_ > 0) return;
    CommitBatchTransaction();
    BeginBatchTransaction();
}

void Database::Recover(std::chrono::milliseconds patience) {
    readCache_.Clear();
    backend_->Reconnect(patience);
    if (batchDepth_ > 0 && unitDepth_ == 0) BeginBatchTransaction();
}

void Database::BeginBatch() {
    if (batchDepth_ == 0) readCache_.Clear();
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
    } else {
        readCache_.Clear();
    }
    BeginBatchTransaction();
}

void Database::EndBatch() {
    readCache_.Clear();
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
        db_.Watched([&] { backend.Control("SAVEPOINT " + savepoint_); });
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
    if (!backend.InTransaction()) {
        db_.NoteFailure();
        throw DbError("the transaction was ended by the database engine");
    }
    if (savepoint_.empty()) {
        try {
            db_.Watched([&] { backend.Control("COMMIT"); });
        } catch (...) {
            // A commit that failed must not leave a transaction open behind it.
            try {
                if (backend.InTransaction()) backend.Control("ROLLBACK");
            } catch (...) {
            }
            throw;
        }
        ++db_.commits_;
        if (db_.unitDepth_ == 0 && db_.batchDepth_ > 0) db_.BeginBatchTransaction();
        return;
    }
    db_.Watched([&] { backend.Control("RELEASE SAVEPOINT " + savepoint_); });
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
            if (outcome.failed != -1) {
                ++failedUnits_;
                NoteFailure();
            }
            told(outcome);
        };
    const auto count = [this](const UnitOutcome& outcome) {
        if (outcome.failed == -1) return;
        ++failedUnits_;
        NoteFailure();
    };
    const bool nested = backend_->InTransaction();
    const std::string savepoint = nested ? "kx_unit_" + std::to_string(unitDepth_) : std::string();
    if (std::optional<UnitOutcome> done =
            Watched([&] { return backend_->RunUnitAtOnce(statements, savepoint, counted); })) {
        const std::size_t tried = done->failed < 0 ? statements.size() : static_cast<std::size_t>(done->failed) + 1;
        if (recorder_)
            for (std::size_t i = 0; i < tried; ++i) recorder_(statements[i]);
        if (done->failed < 0 && !nested) ++commits_;
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
