package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class FolderInfo {
    private FolderInfo() {
    }

    static native String getSpecialFolder0(int a0, boolean a1);
    static native String getPathFromRegistry0(String a0);
    static native String getWindowsDirectory0();
    static native String getSystemDirectory0();
    static native int getDriveType0(String a0);
    static native String getShortPathName0(String a0);
    static native String getUniversalPathName0(String a0);
}
