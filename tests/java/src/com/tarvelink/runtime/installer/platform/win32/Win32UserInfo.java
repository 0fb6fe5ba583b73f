package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32UserInfo {
    private Win32UserInfo() {
    }

    static native boolean isMemberOfGroup0(int a0);
    static native boolean executeElevated0(String a0, String a1, String a2, int a3);
    static native int getElevationType0();
    static native String addUser0(String a0, String a1, String a2, String a3, String a4, boolean a5, boolean a6);
    static native int deleteUser0(String a0, String a1);
    static native int deleteLocalGroup0(String a0, String a1);
    static native String getAccountName0(String a0, boolean a1);
    static native String getUserProfileDirectory0(String a0, String a1);
    static native String getUserSid0();
    static native boolean setLsaAccountRight0(String a0, String a1, boolean a2);
}
