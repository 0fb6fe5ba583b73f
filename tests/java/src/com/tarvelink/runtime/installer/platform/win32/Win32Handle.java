package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32Handle {
    private Win32Handle() {
    }

    static native Object[] list0();
    static native boolean close0(int a0);
    static native String getDeviceName0(String a0);
}
