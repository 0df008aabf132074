// Quorva run-time. Licensed under the MIT licence.
#include "runtime/MailFunctions.h"

#include "TestSupport.h"
#include "UnitCallerRig.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

// A unit that calls XSENDEMAIL as compiled code does: Mail From, Mail Dest. and Subject in EAX,
// EDX and ECX, Body and SMTP pushed left to right, then the result buffer; the callee cleans
// the stack.
constexpr std::string_view kMailCallerSource = R"(
@var FROM : String
@var DEST : String
@var SUBJ : String
@var BODY : String
@var SMTP : String
@var SRES : String
@import function XSENDEMAIL
@procedure DoSend = do_send
.intel_syntax noprefix
.text
do_send:
    push    offset BODY
    push    offset SMTP
    push    offset SRES
    mov     eax, offset FROM
    mov     edx, offset DEST
    mov     ecx, offset SUBJ
    call    dword ptr [XSENDEMAIL]
    ret
)";

// The mail caller unit, assembled for the test, with XSENDEMAIL bound.
class MailCallerRig : public testsupport::UnitCallerRig {
public:
    MailCallerRig() {
        testsupport::WriteFile(m_dir / "MailCaller.s", kMailCallerSource);
        const std::string unitFile = (m_dir / "MAILCALLER.QRU").string();
        const std::string command = std::string("'") + QUORVA_QRUASM + "' '" +
                                    (m_dir / "MailCaller.s").string() + "' -o '" + unitFile + "'";
        if (std::system(command.c_str()) != 0) {
            ADD_FAILURE() << "qruasm failed: " << command;
            return;
        }
        if (platform::Status built = Build({&runtime::AddMailFunctions}, unitFile); !built)
            ADD_FAILURE() << built.Error();
    }
    bool Ready() const { return cpu != nullptr; }
    std::string Send(std::string_view from, std::string_view dest, std::string_view subject,
                     std::string_view body, std::string_view server) {
        SetString("FROM", from);
        SetString("DEST", dest);
        SetString("SUBJ", subject);
        SetString("BODY", body);
        SetString("SMTP", server);
        SetString("SRES", "unchanged");
        if (platform::Status ran = Run("DOSEND"); !ran)
            return "fault: " + ran.Error();
        return GetString("SRES");
    }

private:
    testsupport::TempDir m_dir;
};

// The shell tests' SMTP server (aiosmtpd) in a process of its own.
class MailSinkProcess {
public:
    MailSinkProcess() {
        const std::string command = std::string("/usr/bin/python3 '") + QUORVA_SMTP_SINK + "' '" +
                                    m_dir.Path().string() + "'";
        m_output = ::popen(command.c_str(), "r");
        unsigned port = 0;
        if (m_output && std::fscanf(m_output, "%u %d", &port, &m_pid) == 2)
            m_server = "127.0.0.1:" + std::to_string(port);
    }
    ~MailSinkProcess() {
        if (m_pid > 0)
            ::kill(m_pid, SIGTERM);
        if (m_output)
            ::pclose(m_output);
    }
    const std::string& Server() const { return m_server; }
    std::string Received(int n) const {
        return testsupport::ReadFile(m_dir / (std::to_string(n) + ".eml"));
    }

private:
    testsupport::TempDir m_dir;
    std::FILE* m_output = nullptr;
    int m_pid = 0;
    std::string m_server;
};

TEST(MailFunctions, UnitCodeSendsAndReadsTheErrorText) {
    MailCallerRig rig;
    ASSERT_TRUE(rig.Ready());
    MailSinkProcess sink;
    ASSERT_FALSE(sink.Server().empty()) << "the SMTP server of the tests did not start";

    EXPECT_EQ(rig.Send("Line 4 <plc@plant.example>", "ops@plant.example", "Pump 3",
                       "Pressure low.\r\n.", sink.Server()),
              "");
    const std::string received = sink.Received(1);
    EXPECT_NE(received.find("From: Line 4 <plc@plant.example>\r\n"), std::string::npos);
    EXPECT_NE(received.find("Subject: Pump 3\r\n"), std::string::npos);
    EXPECT_NE(received.find("To: ops@plant.example\r\n"), std::string::npos);
    EXPECT_NE(received.find("\r\n\r\nPressure low.\r\n.\r\n"), std::string::npos);

    // Each text reaches its own parameter; the error comes back in the result String, cut to
    // 255 characters.
    EXPECT_EQ(rig.Send("a@b\r", "c@d", "s", "b", sink.Server()),
              "Mail refused: line break in the sender");
    EXPECT_EQ(rig.Send("a@b", "c@d\n", "s", "b", sink.Server()),
              "Mail refused: line break in the recipients");
    EXPECT_EQ(rig.Send("a@b", "c@d", "s\r\n", "b", sink.Server()),
              "Mail refused: line break in the subject");
    const std::string host(240, 'h');
    EXPECT_EQ(rig.Send("a@b", "c@d", "s", "b", host),
              ("Couldn't resolve hostname " + host).substr(0, 255));
    EXPECT_EQ(rig.Send("", "c@d", "s", "b", sink.Server()), "");
}

} // namespace
