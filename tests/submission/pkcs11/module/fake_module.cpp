// A module that answers every call with "not supported", except C_Initialize,
// which says the library was initialised already. Built a second time without
// C_WaitForSlotEvent, which makes it unusable.
// The interface's own header would fix each entry's arguments; the entries
// no test reaches take any.
using CK_RV = unsigned long;
constexpr CK_RV CKR_FUNCTION_NOT_SUPPORTED = 0x54;
constexpr CK_RV CKR_CRYPTOKI_ALREADY_INITIALIZED = 0x191;

#define FAKE_ENTRY(name) \
    extern "C" __attribute__((visibility("default"))) CK_RV name(...) { return CKR_FUNCTION_NOT_SUPPORTED; }

extern "C" __attribute__((visibility("default"))) CK_RV C_Initialize(void*)
{
    return CKR_CRYPTOKI_ALREADY_INITIALIZED;
}

// The entries the tests reach have their real arguments.
extern "C" __attribute__((visibility("default"))) CK_RV C_Finalize(void*)
{
    return CKR_FUNCTION_NOT_SUPPORTED;
}

extern "C" __attribute__((visibility("default"))) CK_RV C_GetSlotList(unsigned char, unsigned long*, unsigned long*)
{
    return CKR_FUNCTION_NOT_SUPPORTED;
}

FAKE_ENTRY(C_GetInfo) FAKE_ENTRY(C_GetSlotInfo)
FAKE_ENTRY(C_GetTokenInfo) FAKE_ENTRY(C_GetMechanismList) FAKE_ENTRY(C_GetMechanismInfo) FAKE_ENTRY(C_InitToken)
FAKE_ENTRY(C_InitPIN) FAKE_ENTRY(C_SetPIN) FAKE_ENTRY(C_OpenSession) FAKE_ENTRY(C_CloseSession)
FAKE_ENTRY(C_CloseAllSessions) FAKE_ENTRY(C_GetSessionInfo) FAKE_ENTRY(C_GetOperationState)
FAKE_ENTRY(C_SetOperationState) FAKE_ENTRY(C_Login) FAKE_ENTRY(C_Logout) FAKE_ENTRY(C_CreateObject)
FAKE_ENTRY(C_CopyObject) FAKE_ENTRY(C_DestroyObject) FAKE_ENTRY(C_GetObjectSize) FAKE_ENTRY(C_GetAttributeValue)
FAKE_ENTRY(C_SetAttributeValue) FAKE_ENTRY(C_FindObjectsInit) FAKE_ENTRY(C_FindObjects) FAKE_ENTRY(C_FindObjectsFinal)
FAKE_ENTRY(C_EncryptInit) FAKE_ENTRY(C_Encrypt) FAKE_ENTRY(C_EncryptUpdate) FAKE_ENTRY(C_EncryptFinal)
FAKE_ENTRY(C_DecryptInit) FAKE_ENTRY(C_Decrypt) FAKE_ENTRY(C_DecryptUpdate) FAKE_ENTRY(C_DecryptFinal)
FAKE_ENTRY(C_DigestInit) FAKE_ENTRY(C_Digest) FAKE_ENTRY(C_DigestUpdate) FAKE_ENTRY(C_DigestKey)
FAKE_ENTRY(C_DigestFinal) FAKE_ENTRY(C_SignInit) FAKE_ENTRY(C_Sign) FAKE_ENTRY(C_SignUpdate) FAKE_ENTRY(C_SignFinal)
FAKE_ENTRY(C_SignRecoverInit) FAKE_ENTRY(C_SignRecover) FAKE_ENTRY(C_VerifyInit) FAKE_ENTRY(C_Verify)
FAKE_ENTRY(C_VerifyUpdate) FAKE_ENTRY(C_VerifyFinal) FAKE_ENTRY(C_VerifyRecoverInit) FAKE_ENTRY(C_VerifyRecover)
FAKE_ENTRY(C_DigestEncryptUpdate) FAKE_ENTRY(C_DecryptDigestUpdate) FAKE_ENTRY(C_SignEncryptUpdate)
FAKE_ENTRY(C_DecryptVerifyUpdate) FAKE_ENTRY(C_GenerateKey) FAKE_ENTRY(C_GenerateKeyPair) FAKE_ENTRY(C_WrapKey)
FAKE_ENTRY(C_UnwrapKey) FAKE_ENTRY(C_DeriveKey) FAKE_ENTRY(C_SeedRandom) FAKE_ENTRY(C_GenerateRandom)
FAKE_ENTRY(C_GetFunctionStatus) FAKE_ENTRY(C_CancelFunction)
#ifndef FAKE_WITHOUT_WAIT_FOR_SLOT_EVENT
FAKE_ENTRY(C_WaitForSlotEvent)
#endif
