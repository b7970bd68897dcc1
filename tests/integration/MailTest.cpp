// PHP's mail() on the running demo package, through a real page and a real SMTP relay on the
// loopback address: what the relay takes arrives whole, and a message that is not sent is never
// reported as sent, is explained in PHP's error log and is kept in the outbox.

#include "kit/KoClass.h"
#include "tests/integration/PackageRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <random>

using namespace quindle;
using namespace quindle::test;

namespace {

// What a contact form of an application does: "mime" sends a multipart message with an encoded
// UTF-8 subject, a text and the request's body as an attachment; "plain" hands mail() its
// arguments as they are.
constexpr const char* kMailPage = R"(<?php
$to = $_GET['to']; $subject = $_GET['subject']; $text = $_GET['text'];
if ($_GET['mode'] === 'mime') {
    $b = 'part-' . bin2hex(random_bytes(8));
    $headers = "From: Demo Shop <shop@example.com>\r\nMIME-Version: 1.0\r\n" .
               "Content-Type: multipart/mixed; boundary=\"$b\"";
    $body = "--$b\r\nContent-Type: text/plain; charset=UTF-8\r\n" .
            "Content-Transfer-Encoding: base64\r\n\r\n" . chunk_split(base64_encode($text)) .
            "--$b\r\nContent-Type: application/octet-stream\r\n" .
            "Content-Disposition: attachment; filename=\"data.bin\"\r\n" .
            "Content-Transfer-Encoding: base64\r\n\r\n" .
            chunk_split(base64_encode(file_get_contents('php://input'))) . "--$b--\r\n";
    $sent = mail($to, '=?UTF-8?B?' . base64_encode($subject) . '?=', $body, $headers);
} else {
    $sent = mail($to, $subject, $text);
}
echo $sent ? 'sent' : 'not sent';
)";

std::string UrlEncoded(const std::string& Text) {
    std::string out;
    for (const unsigned char c : Text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_') {
            out += char(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The package's relay setting, as an author writes it.
void SetRelay(const PackageCopy& Package, const std::string& Keys) {
    WriteFile(Package.Path("bin/Apache/sendmail.ini"), "[relay]\n" + Keys);
}

// A relay on this machine's loopback address, then any further keys.
void SetLoopbackRelay(const PackageCopy& Package, int Port, const std::string& Tls,
                      const std::string& More = std::string()) {
    SetRelay(Package,
             "host = 127.0.0.1\nport = " + std::to_string(Port) + "\ntls = " + Tls + "\n" + More);
}

// A relay of the tests' own, ended with the test.
class Relay {
public:
    Relay(const std::string& Mode) {
        port_ = TKo::FindFreePort(2600, true);
        pid_ =
            TKo::RunProgram(QUINDLE_SOURCE_DIR "/tests/integration/mail/smtp-relay",
                            TArguments{std::to_string(port_), folder_.Path(), Mode}, "", SW_HIDE);
        if (!WaitUntil([&] { return PortIsListening(port_); }, 20000))
            throw std::runtime_error("the relay did not start");
    }
    ~Relay() { TKo::StopProcess(pid_, 5000); }
    int Port() const { return port_; }
    // Part (subject, text, attachment, eml, envelope) of the Nth message it took.
    std::string Received(int N, const std::string& Part) const {
        return ReadFile(folder_ / (std::to_string(N) + "." + Part));
    }
    bool Took(int N) const { return PathExists(folder_ / (std::to_string(N) + ".envelope")); }

private:
    TempDir folder_;
    int port_ = 0;
    std::uint32_t pid_ = 0;
};

class Mail : public ::testing::Test {
protected:
    Mail() { WriteFile(package.Path("www/mail-test.php"), kMailPage); }

    std::string Send(const std::string& Mode, const std::string& Subject, const std::string& Text,
                     const std::string& Attachment = std::string()) {
        return HttpRequest(run.WebPort(), Attachment.empty() ? "GET" : "POST",
                           "/mail-test.php?mode=" + Mode + "&to=someone%40example.com&subject=" +
                               UrlEncoded(Subject) + "&text=" + UrlEncoded(Text),
                           Attachment)
            .body;
    }
    // PHP's error log: its own file in the working folder, or the web server's log when the
    // web server's account cannot write there (the administrator started the package).
    std::string ErrorLog() const {
        std::string text;
        for (const char* name : {"/php_errors.log", "/apache_error.log"})
            if (PathExists(run.DataDir() + name))
                text += ReadFile(run.DataDir() + name);
        return text;
    }
    std::vector<std::string> Outbox() const {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(run.DataDir() + "/outbox", ec))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        return files;
    }

    // PHP hands the sender's path to the shell: the folder's blanks, quotes and dollar must
    // reach it as they are.
    PackageCopy package{"the \"shop's\" $mail"};
    TempDir home;
    PackageRun run{package, home / "user"};
};

} // namespace

TEST_F(Mail, WhatTheRelayTakesArrivesWholeAndThePageHearsItWasSent) {
    Relay relay("accept");
    SetLoopbackRelay(package, relay.Port(), "none");
    run.StartAndWaitForSite();

    // A megabyte of every byte value, as an attachment; the form sends it as its whole body.
    std::string attachment(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : attachment) {
        c = char(random() & 0xFF);
        if (c == '&')
            c = '%'; // one form field, however it is read
    }
    const std::string subject = "Grüße aus Köln – 東京";
    const std::string text = "Zeile eins\nZeile zwei: äöü ß € 😀\n";
    EXPECT_EQ(Send("mime", subject, text, attachment), "sent");
    ASSERT_TRUE(WaitUntil([&] { return relay.Took(1); }, 20000));
    EXPECT_EQ(relay.Received(1, "envelope"), "shop@example.com\nsomeone@example.com");
    EXPECT_EQ(relay.Received(1, "subject"), subject);
    EXPECT_EQ(relay.Received(1, "text"), text);
    EXPECT_TRUE(relay.Received(1, "attachment") == attachment) << "the attachment changed";

    // Raw UTF-8 in the subject and the body reaches the relay as it was, and the sender the
    // settings name is every message's.
    SetLoopbackRelay(package, relay.Port(), "none", "from = shop-relay@example.com\n");
    EXPECT_EQ(Send("plain", subject, text), "sent");
    ASSERT_TRUE(WaitUntil([&] { return relay.Took(2); }, 20000));
    EXPECT_EQ(relay.Received(2, "envelope"), "shop-relay@example.com\nsomeone@example.com");
    const std::string eml = relay.Received(2, "eml");
    EXPECT_NE(eml.find("\r\nSubject: " + subject + "\r\n"), std::string::npos) << eml;
    // PHP ends the message with a line of its own.
    EXPECT_EQ(eml.substr(eml.find("\r\n\r\n") + 4), "Zeile eins\r\nZeile zwei: äöü ß € 😀\r\n\r\n");

    EXPECT_TRUE(Outbox().empty());
    EXPECT_EQ(ErrorLog().find("mail()"), std::string::npos) << ErrorLog();
    ASSERT_TRUE(run.ShutDownAndWait()) << run.Log();
}

TEST_F(Mail, AMessageNotSentIsReportedSoExplainedInTheLogAndKept) {
    run.StartAndWaitForSite();
    const std::string settings = package.Path("bin/Apache/sendmail.ini");

    // As the package comes: no relay is set.
    EXPECT_EQ(Send("plain", "Ihre Bestellung", "Danke für Ihre Bestellung.\n"), "not sent");
    EXPECT_NE(ErrorLog().find("no SMTP relay is set; the package's author sets it as host in "
                              "section [relay] of " +
                              settings),
              std::string::npos)
        << ErrorLog();
    ASSERT_EQ(Outbox().size(), 1u);
    // Exactly what PHP handed over.
    EXPECT_EQ(ReadFile(Outbox()[0]), "To: someone@example.com\r\nSubject: Ihre Bestellung\r\n\r\n"
                                     "Danke für Ihre Bestellung.\n\r\n");
    EXPECT_NE(ErrorLog().find("it is kept in " + Outbox()[0]), std::string::npos);

    // A relay that is set but not there; its account's password stays out of every log.
    const int downPort = TKo::FindFreePort(2700, true);
    SetLoopbackRelay(package, downPort, "none", "user = shop\npassword = s3cret-Passw0rd\n");
    EXPECT_EQ(Send("plain", "Down", "Body\n"), "not sent");
    EXPECT_NE(ErrorLog().find("the relay 127.0.0.1:" + std::to_string(downPort) +
                              " did not take it: cannot connect to 127.0.0.1, port " +
                              std::to_string(downPort) + ": Connection refused"),
              std::string::npos)
        << ErrorLog();
    EXPECT_EQ(Outbox().size(), 2u);

    // A relay that turns the recipient down.
    Relay refusing("refuse");
    SetLoopbackRelay(package, refusing.Port(), "none");
    EXPECT_EQ(Send("plain", "Refused", "Body\n"), "not sent");
    EXPECT_NE(ErrorLog().find("550 5.7.1 Relaying denied for <someone@example.com>"),
              std::string::npos)
        << ErrorLog();
    EXPECT_FALSE(refusing.Took(1));
    EXPECT_EQ(Outbox().size(), 3u);

    // A relay that cannot do the TLS the settings ask for never gets the message in plain text.
    SetLoopbackRelay(package, refusing.Port(), "starttls");
    EXPECT_EQ(Send("plain", "Private", "Body\n"), "not sent");
    EXPECT_NE(ErrorLog().find("the server does not support TLS via the STARTTLS command"),
              std::string::npos)
        << ErrorLog();
    EXPECT_EQ(Outbox().size(), 4u);

    // A setting that cannot be used says which and how.
    SetRelay(package, "host = 127.0.0.1\ntls = yes\n");
    EXPECT_EQ(Send("plain", "Unusable", "Body\n"), "not sent");
    EXPECT_NE(ErrorLog().find(settings + ": [relay] tls = \"yes\" cannot be used; it must be "
                                         "none, starttls or tls"),
              std::string::npos)
        << ErrorLog();

    ASSERT_TRUE(run.ShutDownAndWait()) << run.Log();
    EXPECT_EQ(ErrorLog().find("s3cret-Passw0rd"), std::string::npos);
    EXPECT_EQ(run.Log().find("s3cret-Passw0rd"), std::string::npos);
}
