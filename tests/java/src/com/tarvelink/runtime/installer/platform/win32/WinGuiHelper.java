package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class WinGuiHelper {
    private WinGuiHelper() {
    }

    static native Object getPeer0(java.awt.Window a0, Class<?> a1);
    static native long getHwnd0(Object a0, java.lang.reflect.Method a1);
}
