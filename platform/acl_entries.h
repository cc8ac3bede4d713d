// Reading allow entries of any kind from an access list: a conditional (callback) or object entry
// grants its rights as a plain one does, so none may be passed over when judging who may change a
// folder.
#pragma once

#include <windows.h>

namespace platform {

// Is the entry one of the kinds that grant rights?
inline bool IsAllowEntry(const ACE_HEADER* header) {
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_COMPOUND_ACE_TYPE:
      return true;
    default:
      return false;
  }
}

// The rights of an allow entry: every kind keeps them right after the header.
inline DWORD& AllowedMask(ACE_HEADER* header) { return reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->Mask; }

// Whom an allow entry grants to; null when the kind does not say plainly (then nobody is trusted).
inline PSID AllowedGrantee(ACE_HEADER* header) {
  switch (header->AceType) {
    case ACCESS_ALLOWED_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      return &reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->SidStart;
    case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
    case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE: {
      auto* entry = reinterpret_cast<ACCESS_ALLOWED_OBJECT_ACE*>(header);
      BYTE* at = reinterpret_cast<BYTE*>(&entry->ObjectType);
      if (entry->Flags & ACE_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
      if (entry->Flags & ACE_INHERITED_OBJECT_TYPE_PRESENT) at += sizeof(GUID);
      return at < reinterpret_cast<BYTE*>(header) + header->AceSize ? reinterpret_cast<PSID>(at) : nullptr;
    }
    default:
      return nullptr;
  }
}

// Whether an allow entry gives anyone but Administrators, SYSTEM and `self` (may be null) one of
// the rights. onFolderItself: only entries that apply to the folder itself (not inherit-only ones),
// their generic rights mapped. No list at all lets everyone do anything.
bool OthersHold(PACL dacl, PSID self, DWORD rights, bool onFolderItself);

}  // namespace platform
