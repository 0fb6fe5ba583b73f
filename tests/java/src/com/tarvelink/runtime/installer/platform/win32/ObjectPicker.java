package com.tarvelink.runtime.installer.platform.win32;

/** Natives of the launcher, bound by its registration table. */
public final class ObjectPicker {
    private ObjectPicker() {
    }

    /** One object chosen in the picker. */
    public static final class Result {
        public final String name, className, path, upn, sid;

        public Result(String name, String className, String path, String upn, String sid) {
            this.name = name;
            this.className = className;
            this.path = path;
            this.upn = upn;
            this.sid = sid;
        }
    }

    static native Result[] show0(boolean a0, boolean a1, boolean a2, boolean a3, boolean a4);
}
