// The installer's source path and its folder guess from autoexec.bat.
#include <gtest/gtest.h>

#include <string>

#include "setup/setup_rules.h"

TEST(SetupRules, SourcePathHasNoDoubledBackslashAtADriveRoot) {
    EXPECT_EQ(SourcePathOf("X:\\"), "X:\\QX4210.8ba");
    EXPECT_EQ(SourcePathOf("C:\\DISK1"), "C:\\DISK1\\QX4210.8ba");
    EXPECT_EQ(TargetPathOf("C:\\APP\\Plug-Ins"), "C:\\APP\\Plug-Ins\\QX4210.8ba");
}

TEST(SetupRules, ClasspathLineGivesThePlugInsFolder) {
    EXPECT_EQ(
        GuessPluginFolder("@ECHO OFF\r\nSET CLASSPATH=C:\\APP\\JAVA\\CLASSES\r\nPATH=C:\\\r\n"),
        "C:\\APP\\JAVA\\Plug-Ins");
    EXPECT_EQ(GuessPluginFolder("SET PATH=C:\\DOS\r\nSET CLASSPATH=D:\\PD\\X\\Y"),
              "D:\\PD\\X\\Plug-Ins")
        << "the first SET is another name; the last line has no line feed";
}

TEST(SetupRules, OnlyTheExactCaseIsRecognised) {
    EXPECT_EQ(GuessPluginFolder("set classpath=C:\\APP\\JAVA\\CLASSES\r\n"), "");
    EXPECT_EQ(GuessPluginFolder("SET Classpath=C:\\APP\\JAVA\\CLASSES\r\n"), "");
    EXPECT_EQ(GuessPluginFolder(""), "");
    EXPECT_EQ(GuessPluginFolder("SET CLASSPATH"), "") << "the text ends at the name";
    EXPECT_EQ(GuessPluginFolder("SET CLASSPATH=CLASSES\r\n"), "") << "no backslash, no guess";
}

TEST(SetupRules, LongValuesAreCutAt259Characters) {
    const std::string value = "C:\\" + std::string(300, 'A') + "\\B";
    EXPECT_EQ(GuessPluginFolder("SET CLASSPATH=" + value + "\n"), "C:\\Plug-Ins");
}
