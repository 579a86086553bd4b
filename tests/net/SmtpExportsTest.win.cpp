// CSMTPClnt through the decorated names the program exports, against the SMTP peer.
#include "tests/support/WinGTest.h"

#include <windows.h>

#include "net/SmtpClient.h"
#include "tests/net/SmtpTestSupport.h"

namespace {

typedef CSMTPClnt*(__cdecl* ConstructFunc)(CSMTPClnt*);
typedef void(__cdecl* DestructFunc)(CSMTPClnt*);
typedef CSMTPClnt*(__cdecl* AssignFunc)(CSMTPClnt*, const CSMTPClnt*);
typedef int(__cdecl* SendMailFunc)(CSMTPClnt*);

template <class Func>
Func Exported(const char* name) {
  return reinterpret_cast<Func>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(nullptr), name)));
}

TEST(SmtpExports, DecoratedMembersSendOneMail) {
  const auto construct = Exported<ConstructFunc>("??0CSMTPClnt@@QEAA@XZ");
  const auto destruct = Exported<DestructFunc>("??1CSMTPClnt@@QEAA@XZ");
  const auto assign = Exported<AssignFunc>("??4CSMTPClnt@@QEAAAEAV0@AEBV0@@Z");
  const auto sendMail = Exported<SendMailFunc>("?SMTPSendMail@CSMTPClnt@@QEAAHXZ");
  ASSERT_TRUE(construct && destruct && assign && sendMail);

  alignas(CSMTPClnt) unsigned char storage[2][sizeof(CSMTPClnt)];
  CSMTPClnt* filled = construct(reinterpret_cast<CSMTPClnt*>(storage[0]));
  CSMTPClnt* copy = construct(reinterpret_cast<CSMTPClnt*>(storage[1]));
  EXPECT_EQ(filled->Port, 25);
  ASSERT_NE(filled->Server, nullptr);
  EXPECT_STREQ(filled->Server, "");

  char server[] = "127.0.0.1";
  char user[] = "user";
  char password[] = "secret";
  char to[] = "rcpt@example.org";
  char from[] = "sender@example.org";
  char subject[] = "Exported";
  char body[] = "Hello.\r\n";
  char name[] = "three.bin";
  char data[] = {'\0', '\x01', '\x02'};
  filled->Server = server;
  filled->StartTLS = 1;
  filled->Auth = 1;
  filled->User = user;
  filled->Password = password;
  filled->To = to;
  filled->From = from;
  filled->Subject = subject;
  filled->Body = body;
  filled->BodyLength = 8;
  filled->AttachmentName = name;
  filled->AttachmentData = data;
  filled->AttachmentSize = 3;
  EXPECT_EQ(assign(copy, filled), copy);

  for (const int32_t size : {3, 0}) {
    SmtpPeer peer;
    ASSERT_TRUE(peer.Start(R"("ehlo_tls": ["250-peer", "250 AUTH LOGIN"])"));
    copy->Port = peer.Port();
    copy->AttachmentSize = size;
    EXPECT_EQ(sendMail(copy), 1);
    const std::string record = peer.Finish();
    EXPECT_EQ(JsonText(record, "tls"), "yes");
    EXPECT_EQ(JsonText(record, "auth"), "LOGIN ok");
    EXPECT_EQ(JsonText(record, "subject"), "Exported");
    const std::vector<std::string> parts = JsonTexts(record, "part_hex");
    ASSERT_EQ(parts.size(), size ? 2u : 1u);
    EXPECT_EQ(FromHex(parts[0]).substr(0, 8), "Hello.\r\n");
    if (size) {
      EXPECT_EQ(parts[1], "000102");
    }
  }
  destruct(copy);
  destruct(filled);
}

}  // namespace
