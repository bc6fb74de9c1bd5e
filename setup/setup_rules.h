// The installer's rules without windows: where the plug-in file is taken from, the folder
// guessed from the CLASSPATH line of c:\autoexec.bat, and the texts of its boxes.
#pragma once
#include <string>

constexpr char kPluginFileName[] = "QX4210.8ba";
constexpr char kSetupTitle[] = "QX-DC4210 Plug-In Driver Setup";
constexpr char kSetupClass[] = "VistrelPlugIn";
constexpr char kBrowseTitle[] = "Select Photo Deluxe 2.0 Plug-Ins Folder";

extern const char* const kFirstQuestion;
extern const char* const kReplaceQuestion;
extern const char* const kSetupComplete;
extern const char* const kSetupError;
extern const char* const kTryAnotherQuestion;
extern const char* const kSetupNotComplete;
extern const char* const kNotReady;

// The current directory + "\" (not after a drive root such as "C:\") + "QX4210.8ba".
std::string SourcePathOf(const std::string& current_directory);
// The folder + "\" + "QX4210.8ba".
std::string TargetPathOf(const std::string& folder);

// The plug-in folder guessed from the text of autoexec.bat: the value of the first
// "SET CLASSPATH=" line (exact case, up to the line feed, at most 259 characters) cut after its
// last backslash, with "Plug-Ins" appended. Empty when there is no such line.
std::string GuessPluginFolder(const std::string& autoexec);
