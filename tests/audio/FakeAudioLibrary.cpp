// A stand-in for the audio library with every entry point of the binding's
// list, built in variants that leave one name out. BASS_Free counts its calls.

extern "C" {

__attribute__((visibility("default"))) int FakeFreeCalls = 0;

#define FAKE(name) __attribute__((visibility("default"))) int name(...) { return 0; }

FAKE(BASS_SetConfig) FAKE(BASS_GetConfig) FAKE(BASS_SetConfigPtr) FAKE(BASS_GetConfigPtr) FAKE(BASS_GetVersion)
FAKE(BASS_ErrorGetCode) FAKE(BASS_GetDeviceInfo) FAKE(BASS_Init) FAKE(BASS_SetDevice) FAKE(BASS_GetDevice)
FAKE(BASS_GetDSoundObject) FAKE(BASS_GetInfo) FAKE(BASS_Update) FAKE(BASS_GetCPU) FAKE(BASS_Start)
FAKE(BASS_Stop) FAKE(BASS_Pause) FAKE(BASS_SetVolume) FAKE(BASS_GetVolume) FAKE(BASS_PluginLoad)
FAKE(BASS_PluginFree) FAKE(BASS_PluginGetInfo) FAKE(BASS_Set3DFactors) FAKE(BASS_Get3DFactors)
FAKE(BASS_Set3DPosition) FAKE(BASS_Get3DPosition) FAKE(BASS_Apply3D) FAKE(BASS_SetEAXParameters)
FAKE(BASS_GetEAXParameters) FAKE(BASS_MusicLoad) FAKE(BASS_MusicFree) FAKE(BASS_SampleLoad)
FAKE(BASS_SampleCreate) FAKE(BASS_SampleFree) FAKE(BASS_SampleSetData) FAKE(BASS_SampleGetData)
FAKE(BASS_SampleGetInfo) FAKE(BASS_SampleSetInfo) FAKE(BASS_SampleGetChannel) FAKE(BASS_SampleGetChannels)
FAKE(BASS_SampleStop) FAKE(BASS_StreamCreate) FAKE(BASS_StreamCreateFile) FAKE(BASS_StreamCreateURL)
FAKE(BASS_StreamCreateFileUser) FAKE(BASS_StreamFree) FAKE(BASS_StreamGetFilePosition) FAKE(BASS_StreamPutData)
FAKE(BASS_StreamPutFileData) FAKE(BASS_RecordGetDeviceInfo) FAKE(BASS_RecordInit) FAKE(BASS_RecordSetDevice)
FAKE(BASS_RecordGetDevice) FAKE(BASS_RecordFree) FAKE(BASS_RecordGetInfo) FAKE(BASS_RecordGetInputName)
FAKE(BASS_RecordSetInput) FAKE(BASS_RecordGetInput) FAKE(BASS_RecordStart) FAKE(BASS_ChannelBytes2Seconds)
FAKE(BASS_ChannelSeconds2Bytes) FAKE(BASS_ChannelGetDevice) FAKE(BASS_ChannelSetDevice) FAKE(BASS_ChannelIsActive)
FAKE(BASS_ChannelGetInfo) FAKE(BASS_ChannelGetTags) FAKE(BASS_ChannelFlags) FAKE(BASS_ChannelUpdate)
FAKE(BASS_ChannelLock) FAKE(BASS_ChannelPlay) FAKE(BASS_ChannelStop) FAKE(BASS_ChannelPause)
FAKE(BASS_ChannelSetAttribute) FAKE(BASS_ChannelGetAttribute) FAKE(BASS_ChannelSetAttributeEx)
FAKE(BASS_ChannelGetAttributeEx) FAKE(BASS_ChannelSlideAttribute) FAKE(BASS_ChannelIsSliding)
FAKE(BASS_ChannelSet3DAttributes) FAKE(BASS_ChannelGet3DAttributes) FAKE(BASS_ChannelSet3DPosition)
FAKE(BASS_ChannelGet3DPosition) FAKE(BASS_ChannelGetLength) FAKE(BASS_ChannelSetPosition)
FAKE(BASS_ChannelGetPosition) FAKE(BASS_ChannelGetLevel) FAKE(BASS_ChannelGetLevelEx) FAKE(BASS_ChannelSetSync)
FAKE(BASS_ChannelRemoveSync) FAKE(BASS_ChannelSetDSP) FAKE(BASS_ChannelRemoveDSP) FAKE(BASS_ChannelSetLink)
FAKE(BASS_ChannelRemoveLink) FAKE(BASS_ChannelSetFX) FAKE(BASS_ChannelRemoveFX) FAKE(BASS_FXSetParameters)
FAKE(BASS_FXGetParameters) FAKE(BASS_FXReset) FAKE(BASS_FXSetPriority)
#ifndef FAKE_WITHOUT_IS_STARTED
FAKE(BASS_IsStarted)
#endif
#ifndef FAKE_WITHOUT_GET_DATA
FAKE(BASS_ChannelGetData)
#endif

__attribute__((visibility("default"))) int BASS_Free(...)
{
    ++FakeFreeCalls;
    return 1;
}
}
