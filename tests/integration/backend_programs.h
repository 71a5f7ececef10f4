#pragma once
// A test of the real programs on a fresh database of each backend: the
// programs' directory, a mailbox of the test's own (removed afterwards with its
// lock files), kx-ctl on it, and reads of the database.
#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/mailbox_files.h"
#include "support/program_runner.h"
#include "support/query_rows.h"
#include "support/test_db.h"

namespace kx::test {

class BackendProgramsTest : public DatabaseTest {
protected:
    // Skips unless every program is built; the mailbox is named after `purpose`.
    void SetUpPrograms(std::initializer_list<const char*> programs, const std::string& purpose) {
        DatabaseTest::SetUp();
        if (IsSkipped()) return;
        bin = ProgramDir();
        for (const char* program : programs)
            if (!ProgramBuilt(program)) GTEST_SKIP() << "the programs are not built (KX_BIN_DIR)";
        mailbox = "kxtest-" + purpose + "-" + std::to_string(getpid()) + "-" + GetParam();
    }
    void TearDown() override {
        if (!mailbox.empty()) {
            test::RemoveMailboxFiles(mailbox);
        }
        DatabaseTest::TearDown();
    }

    // What kx-db and kx-fep are given for this database.
    std::string Target() const { return IsPostgres() ? testDb_->alias() : (testDb_->home() / "kxtest.db").string(); }
    std::filesystem::path Home() const { return testDb_->home(); }

    ProgramResult Ctl(const std::vector<std::string>& args, const std::string& timeoutSeconds = "120") {
        std::vector<std::string> full = {(bin / "kx-ctl").string(), "--mailbox", mailbox, "--timeout", timeoutSeconds};
        full.insert(full.end(), args.begin(), args.end());
        return RunProgram(full, ErrorOutput::IntoOutput);
    }

    // Every row of a select, each row's fields followed by "|".
    std::vector<std::string> Rows(const std::string& sql) { return RowTexts(db().CommonQuery, sql, "|"); }

    std::filesystem::path bin;
    std::string mailbox;
};

}  // namespace kx::test
