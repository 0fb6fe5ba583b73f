package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class VistaTaskDialog {
    private VistaTaskDialog() {
    }

    static native int show0(long a0, String a1, String a2, String a3, int a4, int a5, int a6, String a7, String[] a8, int a9);
    static native void init0();
}
