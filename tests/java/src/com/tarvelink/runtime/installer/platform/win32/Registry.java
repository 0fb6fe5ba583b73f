package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class Registry {
    private Registry() {
    }

    static native boolean keyExists0(int a0, String a1, int a2);
    static native boolean createKey0(int a0, String a1, int a2);
    static native Object getValue0(int a0, String a1, String a2, int a3);
    static native boolean setValue0(int a0, String a1, String a2, Object a3, int a4, int a5);
    static native void deleteValue0(int a0, String a1, String a2, int a3);
    static native void deleteKey0(int a0, String a1, boolean a2, int a3);
    static native boolean saveKey0(int a0, String a1, String a2, int a3);
    static native boolean restoreKey0(int a0, String a1, String a2, int a3);
    static native String[] enumSubKeys0(int a0, String a1, int a2);
    static native String[] enumValues0(int a0, String a1, int a2);
    static native void changeNotifyAssociations0();
}
