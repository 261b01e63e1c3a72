print("hello from the script")
