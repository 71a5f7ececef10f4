#pragma once
// The one-shot runs of kx-ata (--explain, --reprocess) on a demo site of each
// backend: 20 staff, November 2026, seed 7.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "backend_programs.h"

namespace kx::test {

class OneShotSiteTest : public BackendProgramsTest {
protected:
    void SetUp() override {
        SetUpPrograms({"kx-ata", "kx-db"}, "oneshot");
        if (IsSkipped()) return;
        const ProgramResult demo = RunProgram({(bin / "kx-db").string(), "demo", Target(), "--staff", "20", "--days",
                                               "30", "--from", "20261101", "--seed", "7"},
                                              ErrorOutput::IntoOutput);
        ASSERT_EQ(demo.status, 0) << demo.out;
        WriteSettings("");
    }

    // Kairox.ini of the site with these further lines.
    void WriteSettings(const std::string& extra) {
        std::ofstream(Home() / "Kairox.ini") << "[Database]\nDBAlias=" << testDb_->alias() << "\n" << extra;
    }

    ProgramResult Ata(std::vector<std::string> args) {
        args.insert(args.begin(), (bin / "kx-ata").string());
        args.push_back("--home");
        args.push_back(Home().string());
        return RunProgram(args, ErrorOutput::IntoOutput);
    }

    // Every row of the tables a run may write, for comparing states of the database.
    std::vector<std::string> WrittenTables() {
        std::vector<std::string> all;
        for (const char* table : {"kt_attnd order by staff_number, at_date", "otsap order by staff_number, at_date",
                                  "kt_lerea order by staff_number, le_date", "cards order by staff_number",
                                  "kt_cdext order by staff_number", "kt_ini order by i_user, i_group, i_entry"}) {
            all.push_back(std::string("-- ") + table);
            for (std::string& row : Rows(std::string("select * from ") + table)) all.push_back(std::move(row));
        }
        return all;
    }
};

}  // namespace kx::test
