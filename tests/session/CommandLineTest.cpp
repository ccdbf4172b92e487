#include "session/CommandLine.h"
#include "session/LaunchOptions.h"

#include <gtest/gtest.h>

using namespace vorbrant;

namespace {

std::vector<CommandKind> Kinds(const CommandLineScan& scan)
{
    std::vector<CommandKind> kinds;
    for (const auto& step : scan.Steps)
        kinds.push_back(step.Kind);
    return kinds;
}

} // namespace

TEST(CommandLineScan, OptionLettersMatchInEitherCaseAndUnknownLettersAreDropped)
{
    auto scan = ScanCommandLine({"-E", "-b", "-x", "-P", "-v", "-", "-Q7"});
    EXPECT_EQ(Kinds(scan), (std::vector<CommandKind>{CommandKind::CheckErase, CommandKind::CheckBlank,
                                                     CommandKind::CheckProgram, CommandKind::CheckVerify}));
    EXPECT_FALSE(scan.DirectAddressMode);
}

TEST(CommandLineScan, FileNameKeepsItsCaseButPortNameIsUpperCased)
{
    auto scan = ScanCommandLine({"-F/tmp/MyFile.hex", "-slpt2"});
    ASSERT_EQ(scan.Steps.size(), 2u);
    EXPECT_EQ(scan.Steps[0].Kind, CommandKind::LoadFile);
    EXPECT_EQ(scan.Steps[0].Text, "/tmp/MyFile.hex");
    EXPECT_EQ(scan.Steps[1].Kind, CommandKind::SelectPort);
    EXPECT_EQ(scan.Steps[1].Text, "LPT2");
}

TEST(CommandLineScan, SyntaxErrorCarriesTheUpperCasedArgumentAndEndsTheList)
{
    auto scan = ScanCommandLine({"-e", "foo", "-p"});
    ASSERT_EQ(scan.Steps.size(), 2u);
    EXPECT_EQ(scan.Steps[1].Kind, CommandKind::SyntaxError);
    EXPECT_EQ(scan.Steps[1].Text, "FOO");

    auto empty = ScanCommandLine({""});
    ASSERT_EQ(empty.Steps.size(), 1u);
    EXPECT_EQ(empty.Steps[0].Kind, CommandKind::SyntaxError);
}

TEST(CommandLineScan, QuestionMarkAsFirstCharacterIsHelpAndGoesOn)
{
    auto scan = ScanCommandLine({"?", "?whatever", "-v"});
    EXPECT_EQ(Kinds(scan), (std::vector<CommandKind>{CommandKind::Help, CommandKind::Help, CommandKind::CheckVerify}));
    EXPECT_EQ(std::string(CommandLineHelpText),
              "Command line options:\r\n\r\n?                            - this help\r\n-f<filename>         - load "
              "filename \r\n-e                           - erase chip\r\n-b                           - blank "
              "check\r\n-p                           - program\r\n-v                           - "
              "verify\r\n-s<LPT1..3>  - port\r\n");
}

TEST(CommandLineScan, DirectAddressModeOnlyForExactLowerCaseFirstArgument)
{
    EXPECT_TRUE(ScanCommandLine({"-dd"}).DirectAddressMode);
    EXPECT_TRUE(ScanCommandLine({"-dd", "-p"}).DirectAddressMode);
    EXPECT_FALSE(ScanCommandLine({"-p", "-dd"}).DirectAddressMode);
    EXPECT_FALSE(ScanCommandLine({"-DD"}).DirectAddressMode);
    EXPECT_FALSE(ScanCommandLine({"-ddx"}).DirectAddressMode);
    EXPECT_TRUE(ScanCommandLine({"-dd"}).Steps.empty()) << "-dd is not a step of its own";
}

TEST(LaunchOptions, LongOptionsAreTakenOutAndTheRestKeepsItsOrder)
{
    std::vector<std::string> args{"-p", "--ini=/x/v.INI", "-fA.hex", "--headless", "--sim=F340,busy",
                                  "--trace=t.vcd", "--io=direct", "-v"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(ExtractLongOptions(args, options, error)) << error;
    EXPECT_EQ(args, (std::vector<std::string>{"-p", "-fA.hex", "-v"}));
    EXPECT_EQ(options.IniPath.value_or(""), "/x/v.INI");
    EXPECT_TRUE(options.Headless);
    EXPECT_EQ(options.SimSpec.value_or(""), "F340,busy");
    EXPECT_EQ(options.TracePath.value_or(""), "t.vcd");
    EXPECT_EQ(options.IoKind, "direct");
    EXPECT_FALSE(options.Help);
}

TEST(LaunchOptions, ConvertTakesTwoFileNames)
{
    std::vector<std::string> args{"--convert", "in.s19", "out.bin"};
    LaunchOptions options;
    std::string error;
    ASSERT_TRUE(ExtractLongOptions(args, options, error));
    EXPECT_TRUE(options.Convert);
    EXPECT_EQ(options.ConvertIn, "in.s19");
    EXPECT_EQ(options.ConvertOut, "out.bin");
    EXPECT_TRUE(args.empty());

    std::vector<std::string> shortArgs{"--convert", "in.s19"};
    EXPECT_FALSE(ExtractLongOptions(shortArgs, options, error));
}

TEST(LaunchOptions, BadLongOptionsAreRefusedWithAReason)
{
    for (std::vector<std::string> args : {std::vector<std::string>{"--frobnicate"}, {"--ini"}, {"--ini="},
                                          {"--io=parallel"}, {"--sim"}, {"--headlessly"}}) {
        LaunchOptions options;
        std::string error;
        EXPECT_FALSE(ExtractLongOptions(args, options, error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
    EXPECT_NE(LongHelpText().find("--ini=PATH"), std::string::npos);
}
