package com.tarvelink.api.windows;

/** Registry values as the installer sees them. */
public final class WinRegistry {
    private WinRegistry() {
    }

    /** A REG_EXPAND_SZ value, kept apart from plain strings. */
    public static final class ExpandString {
        private final String value;

        public ExpandString(String value) {
            this.value = value;
        }

        @Override
        public String toString() {
            return value;
        }
    }
}
