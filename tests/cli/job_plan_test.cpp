// Where each result goes, and which jobs are refused before anything is
// written.
#include <gtest/gtest.h>

#include "cli/job_plan.h"
#include "cli/safe_text.h"
#include "tests/cli/cli_test_support.h"

namespace {

TEST(DefaultDestination, ReplacesOnlyTheFileNamesExtension) {
    EXPECT_EQ(DefaultDestination("clip.264"), "clip.avi");
    EXPECT_EQ(DefaultDestination("cam/2024-05-01.clip.264"), "cam/2024-05-01.clip.avi");
    EXPECT_EQ(DefaultDestination("/rec/clip.H264"), "/rec/clip.avi");
    EXPECT_EQ(DefaultDestination("clip"), "clip.avi");
    EXPECT_EQ(DefaultDestination("v1.2/clip"), "v1.2/clip.avi"); // a dot in a folder name
    EXPECT_EQ(DefaultDestination("clip.avi"), "clip.avi");       // the core refuses this one
    EXPECT_EQ(DefaultDestination("cam/clip.264", OutputFormat::Mp4), "cam/clip.mp4");
}

// The line a refused job's failure prints, empty when the job may run.
std::string Refusal(const PlannedJob& job) {
    return job.refusal ? SafeMessage(job.refusal) : "";
}

CommandOptions Sources(std::vector<std::string> sources) {
    CommandOptions o;
    o.sources = std::move(sources);
    return o;
}

TEST(PlanJobs, DestinationsFollowOutputAndOutputDir) {
    CommandOptions o = Sources({"cam1/a.264", "b.264"});
    std::vector<PlannedJob> jobs = PlanJobs(o);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].source, "cam1/a.264");
    EXPECT_EQ(jobs[0].dest, "cam1/a.avi");
    EXPECT_EQ(jobs[1].dest, "b.avi");

    o.outputDir = "converted";
    jobs = PlanJobs(o);
    EXPECT_EQ(jobs[0].dest, "converted/a.avi");
    EXPECT_EQ(jobs[1].dest, "converted/b.avi");

    o = Sources({"cam1/a.264"});
    o.outputFile = "elsewhere/named.avi";
    jobs = PlanJobs(o);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].dest, "elsewhere/named.avi");
    for (const PlannedJob& j : jobs)
        EXPECT_TRUE(Refusal(j).empty()) << Refusal(j);
}

TEST(PlanJobs, ExistingDestinationIsRefusedUnlessForced) {
    ScratchDir dir;
    clitest::WriteText(dir / "a.avi", "keep me");
    CommandOptions o = Sources({dir / "a.264", dir / "b.264"});

    std::vector<PlannedJob> jobs = PlanJobs(o);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(Refusal(jobs[0]).rfind(dir / "a.avi" + ": ", 0), 0u) << Refusal(jobs[0]);
    EXPECT_EQ(jobs[0].refusal.kind, FailureKind::DestinationExists);
    EXPECT_TRUE(Refusal(jobs[1]).empty()) << Refusal(jobs[1]);

    o.force = true;
    jobs = PlanJobs(o);
    EXPECT_TRUE(Refusal(jobs[0]).empty()) << Refusal(jobs[0]);
    EXPECT_EQ(clitest::ReadText(dir / "a.avi"), "keep me"); // planning writes nothing
}

TEST(PlanJobs, DanglingSymlinkCountsAsAnExistingDestination) {
    ScratchDir dir;
    std::error_code noLinks;
    std::filesystem::create_symlink(dir / "nowhere", dir / "a.avi", noLinks);
    if (noLinks)
        GTEST_SKIP() << "this system makes no symbolic links here: " << noLinks.message();
    const std::vector<PlannedJob> jobs = PlanJobs(Sources({dir / "a.264"}));
    EXPECT_FALSE(Refusal(jobs[0]).empty());
}

TEST(PlanJobs, SourceThatIsItsOwnDestinationIsLeftToTheConverter) {
    ScratchDir dir;
    clitest::WriteText(dir / "clip.avi", "not a recording");
    // Without --force this must not be reported as "already exists": the
    // converter refuses it with the accurate cause, forced or not.
    const std::vector<PlannedJob> jobs = PlanJobs(Sources({dir / "clip.avi"}));
    EXPECT_TRUE(Refusal(jobs[0]).empty()) << Refusal(jobs[0]);
}

TEST(PlanJobs, SecondSourceForTheSameDestinationIsRefused) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.Path() / "cam1");
    std::filesystem::create_directories(dir.Path() / "cam2");
    CommandOptions o = Sources({dir / "cam1/clip.264", dir / "cam2/clip.264", dir / "cam2/x.264"});
    o.outputDir = dir / "out";
    o.force = true; // --force replaces files from before the run, never the run's own
    std::vector<PlannedJob> jobs = PlanJobs(o);
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_TRUE(Refusal(jobs[0]).empty());
    const std::string dest = (dir.Path() / "out" / "clip.avi").string();
    EXPECT_EQ(Refusal(jobs[1]).rfind(dest + ": ", 0), 0u) << Refusal(jobs[1]);
    EXPECT_NE(Refusal(jobs[1]).find(dir / "cam1/clip.264"), std::string::npos) << Refusal(jobs[1]);
    EXPECT_TRUE(Refusal(jobs[2]).empty());

    // Different spellings of one path are the same destination.
    o = Sources({dir / "cam1/clip.264", (dir.Path() / "cam2/../cam1/./clip.264").string()});
    jobs = PlanJobs(o);
    EXPECT_TRUE(Refusal(jobs[0]).empty());
    EXPECT_FALSE(Refusal(jobs[1]).empty());
}

// Converting one source over another would destroy a recording the run
// reads; --force is for files from before the run.
TEST(PlanJobs, DestinationThatIsAnotherSourceIsRefusedEvenWithForce) {
    ScratchDir dir;
    clitest::WriteText(dir / "a.avi", "a recording named .avi");
    std::filesystem::create_hard_link(dir / "a.avi", dir / "b.264");
    for (bool force : {false, true}) {
        CommandOptions o = Sources({dir / "a.264", dir / "a.avi"});
        o.force = force;
        std::vector<PlannedJob> jobs = PlanJobs(o);
        EXPECT_EQ(Refusal(jobs[0]),
                  dir / "a.avi" + ": is also a source of this run; not overwriting it");
        // By identity too: another name of the same file.
        o = Sources({dir / "a.264", dir / "b.264"});
        o.force = force;
        jobs = PlanJobs(o);
        EXPECT_NE(Refusal(jobs[0]).find("is also a source of this run (as " + dir / "b.264" + ")"),
                  std::string::npos)
            << Refusal(jobs[0]);
    }
}

// FAT cards and Windows take names differing only in case for one file, so
// with --force the second would replace the first one's result.
TEST(PlanJobs, DestinationsDifferingOnlyInCaseAreRefusedWithForce) {
    ScratchDir dir;
    CommandOptions o = Sources({dir / "cam1/Clip.264", dir / "cam2/CLIP.264"});
    o.outputDir = dir / "out";
    EXPECT_TRUE(Refusal(PlanJobs(o)[1]).empty()) << "without --force the move refuses it";
    o.force = true;
    const std::vector<PlannedJob> jobs = PlanJobs(o);
    EXPECT_TRUE(Refusal(jobs[0]).empty()) << Refusal(jobs[0]);
    EXPECT_EQ(Refusal(jobs[1]).rfind(jobs[1].dest + ": differs only in letter case from " +
                                         jobs[0].dest + ", the destination of " + jobs[0].source,
                                     0),
              0u)
        << Refusal(jobs[1]);
}

} // namespace
