#include "app/profile_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace nimbrel {
namespace {

TEST(AppProfileFile, ReadsLikeTheWindowsProfileCalls) {
    const ProfileFile profile = ProfileFile::parse("; a comment=not a key\r\n"
                                                   "[Config]\r\n"
                                                   "  Language =  German  \r\n"
                                                   "quoted=\"  Deutsch \"\r\n"
                                                   "empty=\r\n"
                                                   ";language=French\r\n"
                                                   "language=Dutch\r\n"
                                                   "[ communication ]\n"
                                                   "\tTESTFLAG\t=\ttrue\t\n"
                                                   "noequals\n");
    EXPECT_EQ(profile.value("CONFIG", "language"), "German"); // the first key wins
    EXPECT_EQ(profile.value("config", "quoted"), "  Deutsch ");
    EXPECT_EQ(profile.value("config", "empty"), "");
    EXPECT_EQ(profile.value("Communication", "TestFlag"), "true");
    EXPECT_FALSE(profile.value("communication", "noequals"));
    EXPECT_FALSE(profile.value("config", "TestFlag"));
    EXPECT_FALSE(profile.value("", "; a comment"));

    // Present but empty stays empty; missing takes the default; both are cut to the buffer.
    EXPECT_EQ(profile.text("config", "empty", "English", 20), "");
    EXPECT_EQ(profile.text("config", "missing", "English", 20), "English");
    EXPECT_EQ(profile.text("config", "language", "English", 4), "Ger");
    EXPECT_EQ(profile.text("config", "missing", "English", 1), "");
}

TEST(AppProfileFile, CutsByCharactersNeverInsideOne) {
    EXPECT_EQ(cutToCharacters("Français", 4), "Fran");
    EXPECT_EQ(cutToCharacters("Français", 5), "Franç");
    EXPECT_EQ(cutToCharacters("Français", 50), "Français");
    EXPECT_EQ(cutToCharacters("", 3), "");
}

TEST(AppProfileFile, WritesKeysInPlaceAndKeepsTheRest) {
    testing::TempDir dir;
    dir.write("a.ini",
              "; mine\r\n[config]\r\nlanguage=German\r\n\r\n[ABOUT]\r\nVersion=old\r\n\r\n[x]\r\ny=1\r\n");
    ProfileFile profile = ProfileFile::load(dir / "a.ini");
    profile.setText("about", "version", "V2");
    profile.setText("about", "copyright", "C");
    profile.setText("new", "k", "v");
    ASSERT_TRUE(profile.save(dir / "a.ini"));
    EXPECT_EQ(dir.read("a.ini"), "; mine\r\n[config]\r\nlanguage=German\r\n\r\n[ABOUT]\r\nVersion=V2\r\n"
                                 "copyright=C\r\n\r\n[x]\r\ny=1\r\n\r\n[new]\r\nk=v\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "a.ini.tmp"));

    // An LF file stays LF; a missing file becomes a new one.
    dir.write("b.ini", "[about]\nversion=1\n");
    ProfileFile lf = ProfileFile::load(dir / "b.ini");
    lf.setText("about", "description", "");
    ASSERT_TRUE(lf.save(dir / "b.ini"));
    EXPECT_EQ(dir.read("b.ini"), "[about]\nversion=1\ndescription=\n");

    ProfileFile fresh = ProfileFile::load(dir / "none.ini");
    EXPECT_FALSE(fresh.value("about", "version"));
    fresh.setText("about", "version", "1");
    ASSERT_TRUE(fresh.save(dir / "c.ini"));
    EXPECT_EQ(dir.read("c.ini"), "[about]\r\nversion=1\r\n");
    EXPECT_FALSE(fresh.save(dir / "no-such-folder" / "d.ini"));
}

} // namespace
} // namespace nimbrel
