# Files of src/dbengine/
