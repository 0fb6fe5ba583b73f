package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class VistaFileChooser {
    private VistaFileChooser() {
    }

    static native void initialize0();
    static native String[] displayDialog0(long a0, String a1, String a2, String a3, String a4, int a5, int a6, boolean a7, String a8, String[] a9, String[] a10, int a11, String[] a12, boolean[] a13);
}
