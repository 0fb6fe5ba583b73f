package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class ShellLink {
    private ShellLink() {
    }

    static native boolean createWide0(String a0, String a1, String a2, String a3, String a4, boolean a5, String a6, int a7);
    static native boolean changeNotify0(byte[] a0, byte[] a1);
    static native boolean initialize0();
    static native boolean uninitialize();
    static native boolean create0(String a0, byte[] a1, byte[] a2, byte[] a3, byte[] a4, boolean a5, byte[] a6);
}
