// The mail sender's reading of its settings and of a sendmail command line, and what msmtp makes
// of the account it is given.

#include "kit/Exceptions.h"
#include "mail/RelaySettings.h"
#include "mail/SendmailCommand.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace quindle;
using namespace quindle::test;

TEST(RelaySettings, ThePortFollowsTheTlsChoiceAndAnUnusableValueIsNamed) {
    TempDir dir;
    const std::string ini = dir / "sendmail.ini";
    const auto read = [&](const std::string& keys) {
        WriteFile(ini, "[relay]\nhost = smtp.example.com\n" + keys);
        return ReadRelaySettings(ini);
    };
    EXPECT_EQ(read("").Port, 587);
    EXPECT_EQ(read("").Tls, TRelayTls::StartTls);
    EXPECT_EQ(read("tls = TLS\n").Port, 465);
    EXPECT_EQ(read("tls = none\n").Port, 25);
    EXPECT_EQ(read("tls = none\nport = 2525\n").Port, 2525);
    for (const char* port : {"0", "65536", "25x", "-1", " 1 2"}) {
        try {
            read(std::string("port = ") + port + "\n");
            ADD_FAILURE() << port;
        } catch (const Exception& e) {
            EXPECT_NE(e.Message().find(ini + ": [relay] port = "), std::string::npos) << e.what();
            EXPECT_NE(e.Message().find("a number from 1 to 65535"), std::string::npos);
        }
    }
    EXPECT_THROW(read("tls = yes\n"), Exception);
    // A package without the file, or with no host, sets no relay.
    EXPECT_EQ(ReadRelaySettings(dir / "missing.ini").Host, "");
}

// msmtp's own reading of the account, which it prints with --pretend (the password masked).
TEST(RelaySettings, MsmtpReadsEveryValueAsTheAuthorWroteIt) {
    TempDir dir;
    WriteFile(dir / "sendmail.ini",
              "[relay]\nhost = mail.example.com\nport = 2465\ntls = tls\n"
              "user =  \"Shop\" Account #1 \\ \npassword = pa\"ss\nfrom = a\"b@example.com\n");
    const TRelaySettings settings = ReadRelaySettings(dir / "sendmail.ini");
    const std::string account = dir / "account";
    WriteFile(account, MsmtpConfiguration(settings, "/etc/ssl/certs/ca-certificates.crt"));
    chmod(account.c_str(), 0600);
    int exitCode = -1;
    const std::string pretend = RunAndCapture(
        "/usr/bin/msmtp", "--pretend -C '" + account + "' -a relay x@y 2>&1", &exitCode);
    EXPECT_EQ(exitCode, 0) << pretend;
    for (const std::string line :
         {"host = mail.example.com\n", "port = 2465\n", "user = \"Shop\" Account #1 \\\n",
          "password = *\n", "from = a\"b@example.com\n", "tls = on\n", "tls_starttls = off\n",
          "tls_trust_file = /etc/ssl/certs/ca-certificates.crt\n", "tls_certcheck = on\n",
          "timeout = 30 seconds\n"})
        EXPECT_NE(pretend.find(line), std::string::npos) << line << pretend;
}

TEST(SendmailCommand, NothingAPageAddsBecomesAnOptionOfTheClient) {
    const TSendmailCommand command = ParseSendmailCommand(
        {"-t", "-i", "-oi", "-F", "Shop", "-N", "never", "-fbounce@example.com", "x@example.com",
         "--", "-C/etc/passwd", "--host=evil.example.com"});
    EXPECT_TRUE(command.ReadRecipients);
    EXPECT_EQ(command.EnvelopeFrom, "bounce@example.com");
    EXPECT_EQ(command.Recipients, (std::vector<std::string>{"x@example.com", "-C/etc/passwd",
                                                            "--host=evil.example.com"}));
    EXPECT_EQ(
        MsmtpArguments(command, false, true),
        (std::vector<std::string>{"--read-recipients", "--from=bounce@example.com", "--",
                                  "x@example.com", "-C/etc/passwd", "--host=evil.example.com"}));
    // The settings' sender wins; without any, the message's own From is read.
    EXPECT_EQ(MsmtpArguments(ParseSendmailCommand({"-r", "b@example.com"}), true, true),
              (std::vector<std::string>{"--"}));
    EXPECT_EQ(MsmtpArguments(ParseSendmailCommand({"-t"}), false, true),
              (std::vector<std::string>{"--read-recipients", "--read-envelope-from", "--"}));
    EXPECT_EQ(MsmtpArguments(ParseSendmailCommand({"-t"}), false, false),
              (std::vector<std::string>{"--read-recipients", "--"}));
}

TEST(SendmailCommand, OnlyTheHeaderNamesTheSender) {
    EXPECT_TRUE(NamesItsSender("To: a@b\r\nFROM: Shop <s@b>\r\n\r\nBody\r\n"));
    EXPECT_FALSE(NamesItsSender("To: a@b\r\nSubject: x\r\n\r\nFrom: quoted in the body\r\n"));
    EXPECT_FALSE(NamesItsSender("To: a@b\nX-From: s@b\n\nFrom: body\n"));
}
