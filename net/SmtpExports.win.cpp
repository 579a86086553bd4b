// CSMTPClnt's members as the program exports them: with the Microsoft x64 member
// convention (the object first), under the decorated names the .spec file gives them.
#include <windows.h>

#include <new>

#include "net/SmtpClient.h"

extern "C" {

CSMTPClnt* __cdecl CSMTPClnt_Construct(CSMTPClnt* self) { return new (self) CSMTPClnt(); }

void __cdecl CSMTPClnt_Destruct(CSMTPClnt* self) { self->~CSMTPClnt(); }

CSMTPClnt* __cdecl CSMTPClnt_Assign(CSMTPClnt* self, const CSMTPClnt* other) {
  return &(*self = *other);
}

int __cdecl CSMTPClnt_SMTPSendMail(CSMTPClnt* self) { return self->SMTPSendMail(); }
}
