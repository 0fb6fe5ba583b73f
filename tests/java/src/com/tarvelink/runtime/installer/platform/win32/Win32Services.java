package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32Services {
    private Win32Services() {
    }

    static native int installService0(String a0, String a1, String a2);
    static native int changeServiceConfig0(String a0, String a1, String a2, int a3, int a4, String a5, String a6, String a7, String a8);
    static native int setRestartServiceConfig0(String a0, boolean a1, int a2, int a3, int a4);
    static native int setDelayedAutoStart0(String a0, boolean a1);
    static native int stopService0(String a0, int a1);
    static native int startService0(String a0, String[] a1);
    static native int uninstallService0(String a0);
    static native int queryStatus0(String a0);
    static native int getStartType0(String a0);
    static native String getServiceBinary0(String a0);
}
