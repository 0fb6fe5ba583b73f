package com.tarvelink.api.windows;

/** A top-level window: handle, owning process, title and window class. */
public final class WindowInfo {
    private final long handle;
    private final int processId;
    private final String title;
    private final String windowClass;

    public WindowInfo(long handle, int processId, String title, String windowClass) {
        this.handle = handle;
        this.processId = processId;
        this.title = title;
        this.windowClass = windowClass;
    }

    public long getHandle() {
        return handle;
    }

    public int getProcessId() {
        return processId;
    }

    public String getTitle() {
        return title;
    }

    public String getWindowClass() {
        return windowClass;
    }
}
