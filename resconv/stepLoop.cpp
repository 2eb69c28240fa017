// Placeholder: replaced by the time-step loop.
