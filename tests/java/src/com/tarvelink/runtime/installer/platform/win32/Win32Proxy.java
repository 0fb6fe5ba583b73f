package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Win32Proxy {
    private Win32Proxy() {
    }

    static native int getIEConfig0(String[] a0);
    static native int getDefaultConfig0(String[] a0);
    static native long getAutoProxyConfig0(String[] a0, String a1, String a2, int a3, int a4, boolean a5);
    static native boolean loadFunctions0();
}
